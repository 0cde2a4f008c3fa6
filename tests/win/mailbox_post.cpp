// Posts operation records into a mailbox by name, as a reporter in a process
// of its own does: mailbox_post NAME ID:STATE [ID:STATE ...]
// Exit code 0: posted into an existing mailbox; 2: nobody had made it, so the
// records went into memory of our own; 1: bad arguments or a failure.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "progress/operation.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mailbox_post NAME ID:STATE...\n");
        return 1;
    }
    try {
        ClientOperation client(argv[1]);
        for (int i = 2; i < argc; ++i) {
            const std::string record = argv[i];
            const size_t colon = record.find(':');
            if (colon == std::string::npos) return 1;
            const unsigned long id = std::strtoul(record.substr(0, colon).c_str(), nullptr, 10);
            const unsigned long state = std::strtoul(record.substr(colon + 1).c_str(), nullptr, 10);
            client.post(static_cast<std::uint32_t>(id), static_cast<Operation::State>(state));
        }
        return client.ownsMemory() ? 2 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mailbox_post: %s\n", e.what());
        return 1;
    }
}
