#pragma once
// Typed access to the module's own resources.
#include <string>

#include "base/win.h"

class Resource {
public:
    // name and type: a numeric id (at most 0xFFFF, as MAKEINTRESOURCE) or a text.
    Resource(LPCSTR name, LPCSTR type, HMODULE module = nullptr);
    virtual ~Resource() = default;

    // Read-only data inside the module; raises when missing.
    const void* getPtr(size_t& size) const;
    // Writes the bytes to the file, replacing it in one step.
    void saveAs(const std::string& targetPath) const;
    bool exists() const;

    const std::string& nameText() const { return nameText_; }

    // The user-interface language whose resources are preferred (then its
    // primary language, then English, then whatever the module has). Set once
    // by the main flow when it has chosen the language.
    static void setUiLanguage(LANGID language);
    static LANGID uiLanguage();
    const std::string& typeText() const { return typeText_; }

private:
    HRSRC find(LPCSTR name) const;

    HMODULE module_;
    LPCSTR name_;
    LPCSTR type_;
    std::string nameStore_, typeStore_;  // owned copies when given as text
    std::string nameText_, typeText_;
};

class StringResource : public Resource {
public:
    explicit StringResource(unsigned id, HMODULE module = nullptr);
    std::string string() const;                                 // ANSI code page; raises when missing
    std::string string(const std::string& defaultText) const;   // reports a failure and returns the default
    std::wstring wstring() const;

private:
    unsigned id_;
};
