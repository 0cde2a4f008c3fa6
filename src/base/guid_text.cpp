#include "base/guid.h"

std::wstring normalizeGuidText(const std::wstring& text) {
    if (text.size() == 38 && text.front() == L'{' && text.back() == L'}') return text;
    std::wstring braced = text;
    if (braced.size() > 31 && braced.front() != L'{' && braced.back() != L'}') braced = L"{" + braced + L"}";
    if (text.find(L'-') == std::wstring::npos) {
        for (size_t pos : {9u, 14u, 19u, 24u}) {
            if (pos <= braced.size()) braced.insert(pos, 1, L'-');
        }
    }
    return braced.size() == 38 ? braced : text;
}
