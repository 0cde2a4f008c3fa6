#pragma once
// The eleven user-interface languages and the rules that pick one.
#include <cstdint>
#include <string>
#include <vector>

class Locale {
public:
    struct Row {
        uint16_t langId;
        const char* name;
        const char* altName;  // or null
        uint16_t matchIds[4];  // ends at the first 0
    };

    // Offered the rows in table order; returns false to stop the visit.
    class LocaleObserver {
    public:
        virtual ~LocaleObserver() = default;
        virtual bool onRow(const Row& row) = 0;
    };
    static void visit(LocaleObserver& observer);

    static Locale fromLangId(uint16_t langId);  // raises for an id without its own row
    static bool isSupported(uint16_t langId, Locale& out);
    static Locale fromPreferredIds(const std::vector<uint16_t>& ids);  // first supported, else "en"
    // The preferred list used by the fallback path: each id followed by its
    // primary id when that differs.
    static std::vector<uint16_t> fallbackList(const std::vector<uint16_t>& ids);
#ifdef _WIN32
    static std::vector<uint16_t> preferredLanguages();
    static Locale fromPreferredLanguages();
#endif

    Locale() : row_(&table()[0]) {}
    uint16_t getLangId() const { return row_->langId; }
    std::string getName() const { return row_->name; }
    std::string getAltName() const { return row_->altName ? row_->altName : row_->name; }

    static const std::vector<Row>& table();

private:
    explicit Locale(const Row& row) : row_(&row) {}
    const Row* row_;
};

// Remembers the first row that satisfies its test and stops.
template <class Test>
class LocaleMatcher : public Locale::LocaleObserver {
public:
    explicit LocaleMatcher(Test test) : test_(test) {}
    bool onRow(const Locale::Row& row) override {
        if (!test_(row)) return true;
        found_ = &row;
        return false;
    }
    const Locale::Row* found() const { return found_; }

private:
    Test test_;
    const Locale::Row* found_ = nullptr;
};
