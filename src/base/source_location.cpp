#include "base/source_location.h"

#include <cctype>
#include <cstring>

std::string baseNameOf(const char* path) {
    if (!path) return std::string();
    const char* base = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/') base = p + 1;
    }
    return base;
}

std::string SourceLocation::fileBaseName() const { return baseNameOf(file); }

std::string SourceLocation::functionName() const { return qualifiedFunctionName(function); }

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
}

// Splits "[with T = A; U = B]" into its bindings and puts them in place of the
// template parameter names, so that the printed name shows the instance.
std::string applyTemplateBindings(std::string name, const std::string& bindings) {
    size_t start = 0;
    while (start < bindings.size()) {
        size_t end = bindings.find("; ", start);
        std::string one = bindings.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t eq = one.find(" = ");
        if (eq != std::string::npos) {
            const std::string param = one.substr(0, eq);
            const std::string value = one.substr(eq + 3);
            // Replace whole identifiers only.
            std::string out;
            for (size_t i = 0; i < name.size();) {
                auto isIdent = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
                if (name.compare(i, param.size(), param) == 0 && (i == 0 || !isIdent(name[i - 1])) &&
                    (i + param.size() >= name.size() || !isIdent(name[i + param.size()]))) {
                    out += value;
                    i += param.size();
                } else {
                    out += name[i++];
                }
            }
            name = out;
        }
        if (end == std::string::npos) break;
        start = end + 2;
    }
    return name;
}

}  // namespace

std::string qualifiedFunctionName(const char* signature) {
    if (!signature) return std::string();
    std::string text = signature;
    std::string bindings;
    if (!text.empty() && text.back() == ']') {
        size_t with = text.rfind(" [with ");
        if (with != std::string::npos) {
            bindings = text.substr(with + 7, text.size() - with - 8);
            text.erase(with);
        }
    }
    replaceAll(text, "{anonymous}", "`anonymous-namespace'");
    replaceAll(text, "(anonymous namespace)", "`anonymous-namespace'");

    // Walk the text: brackets nest, a parameter list at the top level ends the
    // function's name unless "::" follows it (a lambda or a local class inside
    // the function), and blanks at the top level separate the return type.
    std::string name;
    int angle = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (text.compare(i, 8, "operator") == 0 && (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1])))) {
            // The operator's symbol belongs to the name, "operator()" included.
            size_t j = i + 8;
            if (text.compare(j, 2, "()") == 0) j += 2;
            while (j < text.size() && text[j] != '(') ++j;
            name += text.substr(i, j - i);
            i = j;
            continue;
        }
        if (c == '<') ++angle;
        if (c == '>' && angle > 0) --angle;
        if (angle == 0 && c == '(') {
            int depth = 0;
            size_t j = i;
            for (; j < text.size(); ++j) {
                if (text[j] == '(') ++depth;
                else if (text[j] == ')' && --depth == 0) break;
            }
            i = j + 1;
            if (text.compare(i, 2, "::") != 0) break;
            continue;
        }
        if (angle == 0 && c == ' ') {
            // What came before was a return type or a qualifier.
            if (text.compare(i + 1, 5, "const") != 0) name.clear();
            ++i;
            continue;
        }
        name += c;
        ++i;
    }
    if (!bindings.empty()) name = applyTemplateBindings(name, bindings);
    return name;
}

std::string composeQdsMessage(const SourceLocation& location, const char* what) {
    return location.fileBaseName() + "(" + std::to_string(location.line) + ") at " + location.functionName() +
           "(): " + (what ? what : "");
}
