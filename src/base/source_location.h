#pragma once
// Raise-site information and the QdsError template. Includes nothing of ours,
// so that every other header of the foundations can use it.
#include <string>
#include <type_traits>

struct SourceLocation {
    const char* file;      // compile-time path of the source file
    const char* function;  // the compiler's signature text of the function
    int line;

    // "Registry::open", "`anonymous-namespace'::makeMessage", ...
    std::string functionName() const;
    std::string fileBaseName() const;
};

#define QDS_HERE (::SourceLocation{__FILE__, __PRETTY_FUNCTION__, __LINE__})

// The text after the last '\\' or '/'.
std::string baseNameOf(const char* path);

// Reduces a compiler signature ("void ns::C<T>::f(int) const [with T = X]")
// to the qualified function name ("ns::C<X>::f").
std::string qualifiedFunctionName(const char* signature);

// "<file base name>(<line>) at <function>(): <what>"
std::string composeQdsMessage(const SourceLocation& location, const char* what);

// An exception of type T whose what() is prefixed with the raise site.
// Catch sites catch T (or its bases), never QdsError itself.
template <class T>
class QdsError : public T {
public:
    QdsError(const T& inner, const SourceLocation& location)
        : T(inner), message_(composeQdsMessage(location, inner.what())) {}

    template <class U = T,
              class = std::enable_if_t<std::is_constructible_v<U, const std::string&>>>
    QdsError(const std::string& message, const SourceLocation& location)
        : T(message), message_(composeQdsMessage(location, T::what())) {}

    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

template <class T>
QdsError<T> makeQdsError(const T& inner, const SourceLocation& location) {
    return QdsError<T>(inner, location);
}

// throw QDS_ERROR(std::runtime_error("text"));
#define QDS_ERROR(inner) ::makeQdsError((inner), QDS_HERE)
