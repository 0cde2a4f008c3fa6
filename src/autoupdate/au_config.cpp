#include "autoupdate/au_config.h"

#include <stdexcept>
#include <string>

#include "autoupdate/au_protection.h"
#include "base/logger.h"
#include "base/source_location.h"

namespace au {

const Registry& locationRoot(DWORD location) {
    switch (location) {
    case 0:
    case 1:
        return Registry::hklm32;
    case 2:
        return Registry::hkcu32;
    }
    throw QDS_ERROR(std::logic_error("unknown reg location"));
}

const char* locationKey(DWORD location) {
    switch (location) {
    case 0:
    case 2:
        return "SOFTWARE\\OrunSoft\\Orun Update\\Policy";
    case 1:
        return "SOFTWARE\\OrunSoft\\Orun Update\\Policy\\qucheck";
    }
    throw QDS_ERROR(std::logic_error("unknown reg location"));
}

RegValueDesc RegData::applyFormat(const RegValueDesc& desc) const {
    RegValueDesc result = desc;
    if (format_ == 0) {
        if (result.location == 1) result.location = 0;
        if (result.protection == 2) result.protection = 0;
    }
    return result;
}

const Registry& RegData::key(DWORD location, int mode) {
    const Registry& root = locationRoot(location);
    Registry& cached = keys_[location][mode];
    if (!cached.isOpen()) cached.open(root, locationKey(location), mode, mode == Registry::Write);
    return cached;
}

DWORD RegData::getValue(const RegValueDesc& desc) {
    try {
        const RegValueDesc d = applyFormat(desc);
        const Registry& reg = key(d.location, Registry::Read);
        switch (d.protection) {
        case 0:
            return reg.getDword(d.name);
        case 1:
            return unprotectValue(reg.getBinary(d.name));
        case 2:
            return unprotectValue(string2binary(reg.getString(d.name)));
        }
        throw QDS_ERROR(std::runtime_error("unknown encryptionType"));
    } catch (const std::exception& e) {
        LOG_ERROR("getValue(DWORD) failed: " << e.what());
        throw;
    }
}

void RegData::setValue(const RegValueDesc& desc, DWORD value) {
    try {
        const RegValueDesc d = applyFormat(desc);
        const Registry& reg = key(d.location, Registry::Write);
        switch (d.protection) {
        case 0:
            reg.setDword(d.name, value);
            return;
        case 1:
            reg.setBinary(d.name, protectValue(value, false));
            return;
        case 2:
            reg.setString(d.name, protectValueToText(value));
            return;
        }
        throw QDS_ERROR(std::runtime_error("unknown encryptionType"));
    } catch (const std::exception& e) {
        LOG_ERROR("setValue(DWORD) failed: " << e.what());
        throw;
    }
}

AuSchedule Config::getSchedule(bool& usable) {
    usable = true;
    try {
        AuSchedule schedule;
        schedule.frequency = data_->getValue(values::Frequency);
        schedule.updateSchedule = data_->getValue(values::UpdateSchedule);
        schedule.updateMin = data_->getValue(values::UpdateMin);
        return schedule;
    } catch (const std::exception& e) {
        LOG_ERROR("getSchedule failed: " << e.what() << ", rescheduling");
    }
    const AuSchedule schedule = makeRandomSchedule();
    try {
        setSchedule(schedule);
    } catch (const std::exception&) {
        usable = false;  // setValue logged it
    }
    return schedule;
}

void Config::setSchedule(const AuSchedule& schedule) {
    data_->setValue(values::Frequency, schedule.frequency);
    data_->setValue(values::UpdateSchedule, schedule.updateSchedule);
    data_->setValue(values::UpdateMin, schedule.updateMin);
}

int Config::getNotifyType() {
    try {
        const DWORD download = data_->getValue(values::NotifyDownload);
        const DWORD install = data_->getValue(values::NotifyInstall);
        if ((download == 0) == (install == 0)) throw QDS_ERROR(std::runtime_error("inconsistent data"));
        return install != 0 ? 1 : 0;
    } catch (const std::exception& e) {
        LOG_ERROR("getNotifyType failed: " << e.what() << ", reset to default");
    }
    try {
        setNotifyType(0);
    } catch (const std::exception&) {
        // The default holds for this run even when it cannot be stored.
    }
    return 0;
}

void Config::setNotifyType(int type) {
    if (type != 0 && type != 1) {
        LOG_ERROR("setNotifyType: unknown value: " << type);
        throw QDS_ERROR(std::runtime_error("unknown notifyType"));
    }
    data_->setValue(values::NotifyDownload, type == 0 ? 1 : 0);
    data_->setValue(values::NotifyInstall, type == 0 ? 0 : 1);
}

}  // namespace au
