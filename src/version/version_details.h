#pragma once
// Version texts as fixed arrays of integers that compare component by component.
#include <array>
#include <compare>
#include <cstddef>
#include <string>

#include "base/source_location.h"

namespace VersionDetails {

// One component: the whole piece read as a signed 32-bit decimal integer that
// starts with a digit; raises otherwise.
int parseComponent(const std::string& piece);

// Non-raising form of parseComponent, for the parsers' inner loops.
bool readComponent(const std::string& piece, int& value);

// Plain dotted numbers ("2.9.00.55").
struct Parser {
    static constexpr const char* typeName = "struct VersionDetails::Parser";

    // count: the destination's capacity on entry, the number of components
    // parsed on return. Returns the number of characters not recognised.
    std::size_t operator()(const std::string& text, int* destination, std::size_t& count) const;
};

[[noreturn]] void throwIncomplete(const SourceLocation& where, const std::string& text, std::size_t unrecognised);
[[noreturn]] void throwTooShort(const SourceLocation& where, const std::string& text);

// N components parsed by P, of which at least M must be recognised.
template <std::size_t N, class P, std::size_t M>
class Base {
public:
    static constexpr std::size_t size = N;

    Base() = default;
    explicit Base(const std::string& text) { init(text); }

    // Parses the whole text; raises and leaves the object unchanged on bad input.
    void init(const std::string& text) {
        std::array<int, N> parsed{};
        std::size_t count = N;
        const std::size_t unrecognised = P()(text, parsed.data(), count);
        if (unrecognised != 0) throwIncomplete(SourceLocation{__FILE__, initName().c_str(), __LINE__}, text, unrecognised);
        if (count < M) throwTooShort(SourceLocation{__FILE__, initName().c_str(), __LINE__}, text);
        components_ = parsed;
        text_ = text;
    }

    int operator[](std::size_t i) const { return components_[i]; }
    const std::array<int, N>& components() const { return components_; }
    const std::string& text() const { return text_; }

    // The text takes no part in comparisons.
    friend bool operator==(const Base& a, const Base& b) { return a.components_ == b.components_; }
    friend std::strong_ordering operator<=>(const Base& a, const Base& b) { return a.components_ <=> b.components_; }

private:
    // The instance's name, which the compiler's signature does not spell out.
    static std::string initName() {
        return "VersionDetails::Base<" + std::to_string(N) + "," + P::typeName + "," + std::to_string(M) + ">::init";
    }

    std::array<int, N> components_{};
    std::string text_;
};

}  // namespace VersionDetails
