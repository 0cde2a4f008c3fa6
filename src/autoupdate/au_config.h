#pragma once
// The auto-update component's settings in the registry: where each value
// lives, how it is protected, and the older layout of versions below 2.8.0.0.
#include <memory>

#include "autoupdate/au_schedule.h"
#include "base/win.h"
#include "registry/registry.h"

namespace au {

// Where a value lives (0, 1, 2) and how it is protected: 0 REG_DWORD,
// 1 user-scope protected REG_BINARY, 2 machine-scope protected Base64 REG_SZ.
struct RegValueDesc {
    DWORD location;
    const char* name;
    DWORD protection;
};

// The values that are not 32-bit values have no protection.
constexpr DWORD kNoProtection = 0xFFFFFFFF;

// The settings table of the auto-update component.
namespace values {
constexpr RegValueDesc EnableAutoUpdateCheck{2, "EnableAutoUpdateCheck", 1};
constexpr RegValueDesc ITCONFIG{0, "ITCONFIG", 0};
constexpr RegValueDesc EnableOrunUpdate{0, "EnableOrunUpdate", 0};
constexpr RegValueDesc Frequency{1, "Frequency", 2};
constexpr RegValueDesc UpdateSchedule{1, "UpdateSchedule", 2};
constexpr RegValueDesc UpdateMin{1, "UpdateMin", 2};
constexpr RegValueDesc ScheduleId{1, "ScheduleId", kNoProtection};
constexpr RegValueDesc NotifyDownload{1, "NotifyDownload", 0};
constexpr RegValueDesc NotifyInstall{1, "NotifyInstall", 0};
constexpr RegValueDesc LastUpdateBeginTime{1, "LastUpdateBeginTime", kNoProtection};
constexpr RegValueDesc LastUpdateFinishTime{1, "LastUpdateFinishTime", kNoProtection};
constexpr RegValueDesc LastUDCheckTime{1, "LastUDCheckTime", kNoProtection};
constexpr RegValueDesc OEMDelay{0, "OEMDelay", 0};
constexpr RegValueDesc OOBD{2, "OOBD", 1};
constexpr RegValueDesc StartupDelay{0, "StartupDelay", 0};
constexpr RegValueDesc SDVC{2, "SDVC", 1};
constexpr RegValueDesc UpdateServletURL{0, "UpdateServletURL", kNoProtection};
constexpr RegValueDesc ManualUpdateServletURL{0, "ManualUpdateServletURL", kNoProtection};
}  // namespace values

// The keys of the locations: HKLM 32-bit view for 0 and 1, HKCU 32-bit view for 2.
const Registry& locationRoot(DWORD location);
const char* locationKey(DWORD location);

// Typed 32-bit values in one layout: 1 the current one, 0 that of versions
// below 2.8.0.0 (location 1 is location 0, protection 2 is a plain REG_DWORD).
// Keys are opened on first use, one for reading and one for writing per
// location, and kept while the object lives.
class RegData {
public:
    explicit RegData(int format) : format_(format) {}

    DWORD getValue(const RegValueDesc& desc);
    void setValue(const RegValueDesc& desc, DWORD value);
    int format() const { return format_; }

private:
    RegValueDesc applyFormat(const RegValueDesc& desc) const;
    const Registry& key(DWORD location, int mode);

    int format_;
    Registry keys_[3][2];  // [location][Registry::Read or Registry::Write]
};

class Config {
public:
    explicit Config(int format) : data_(std::make_unique<RegData>(format)) {}
    virtual ~Config() = default;

    // usable is cleared only when no schedule could be read nor a random one written.
    AuSchedule getSchedule(bool& usable);
    void setSchedule(const AuSchedule& schedule);
    // 0: notify before download, 1: notify before install.
    int getNotifyType();
    void setNotifyType(int type);

private:
    std::unique_ptr<RegData> data_;
};

}  // namespace au
