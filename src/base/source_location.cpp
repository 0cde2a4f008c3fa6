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
    // The parameter list: the parenthesis that closes last, matched backwards.
    size_t close = text.rfind(')');
    size_t open = std::string::npos;
    if (close != std::string::npos) {
        int depth = 0;
        for (size_t i = close + 1; i-- > 0;) {
            if (text[i] == ')') ++depth;
            else if (text[i] == '(' && --depth == 0) { open = i; break; }
        }
    }
    std::string name = open == std::string::npos ? text : text.substr(0, open);
    // "operator()" keeps its own parentheses.
    if (name.size() >= 8 && name.compare(name.size() - 8, 8, "operator") == 0 && open != std::string::npos &&
        text.compare(open, 2, "()") == 0 && text.size() > open + 2 && text[open + 2] == '(') {
        name += "()";
    }
    // Drop the return type: everything up to the last blank outside brackets.
    int angle = 0, paren = 0;
    size_t nameStart = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c == '<') ++angle;
        else if (c == '>' && angle > 0) --angle;
        else if (c == '(') ++paren;
        else if (c == ')' && paren > 0) --paren;
        else if (c == ' ' && angle == 0 && paren == 0) nameStart = i + 1;
    }
    name = name.substr(nameStart);
    if (!bindings.empty()) name = applyTemplateBindings(name, bindings);
    replaceAll(name, "{anonymous}", "`anonymous-namespace'");
    replaceAll(name, "(anonymous namespace)", "`anonymous-namespace'");
    return name;
}

std::string composeQdsMessage(const SourceLocation& location, const char* what) {
    return location.fileBaseName() + "(" + std::to_string(location.line) + ") at " + location.functionName() +
           "(): " + (what ? what : "");
}
