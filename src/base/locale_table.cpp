#include <stdexcept>

#include "base/locale.h"
#include "base/source_location.h"

const std::vector<Locale::Row>& Locale::table() {
    static const std::vector<Row> rows = {
        {1033, "en", nullptr, {9}},
        {2052, "zh_CN", "zh", {2052, 4100, 4}},
        {1041, "ja", nullptr, {17}},
        {1028, "zh_TW", nullptr, {1028, 3076, 5124, 31748}},
        {1031, "de", nullptr, {7}},
        {1034, "es", nullptr, {10}},
        {1036, "fr", nullptr, {12}},
        {1040, "it", nullptr, {16}},
        {1042, "ko", nullptr, {18}},
        {1046, "pt_BR", nullptr, {1046}},
        {1053, "sv", nullptr, {29}},
    };
    return rows;
}

void Locale::visit(LocaleObserver& observer) {
    for (const Row& row : table()) {
        if (!observer.onRow(row)) return;
    }
}

Locale Locale::fromLangId(uint16_t langId) {
    LocaleMatcher matcher([langId](const Row& row) { return row.langId == langId; });
    visit(matcher);
    if (!matcher.found()) throw QDS_ERROR(std::runtime_error("unsupported locale langId: " + std::to_string(langId)));
    return Locale(*matcher.found());
}

bool Locale::isSupported(uint16_t langId, Locale& out) {
    LocaleMatcher matcher([langId](const Row& row) {
        for (uint16_t id : row.matchIds) {
            if (id == 0) break;
            if (id == langId) return true;
        }
        return false;
    });
    visit(matcher);
    if (!matcher.found()) return false;
    out = Locale(*matcher.found());
    return true;
}

Locale Locale::fromPreferredIds(const std::vector<uint16_t>& ids) {
    Locale locale;
    for (uint16_t id : ids) {
        if (isSupported(id, locale)) return locale;
    }
    return Locale();
}

std::vector<uint16_t> Locale::fallbackList(const std::vector<uint16_t>& ids) {
    std::vector<uint16_t> out;
    for (uint16_t id : ids) {
        out.push_back(id);
        const uint16_t primary = id & 0x3FF;
        if (primary != id) out.push_back(primary);
    }
    return out;
}
