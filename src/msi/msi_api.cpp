#include "msi/msi_api.h"

namespace msi {

Api::Api()
    : closeHandle(loadSystemDll("msi.dll"), 8),
      getProductProperty(loadSystemDll("msi.dll"), 71),
      installProduct(loadSystemDll("msi.dll"), 87),
      openProduct(loadSystemDll("msi.dll"), 95),
      setExternalUI(loadSystemDll("msi.dll"), 137),
      setInternalUI(loadSystemDll("msi.dll"), 141),
      enableLog(loadSystemDll("msi.dll"), 168),
      configureProductEx(loadSystemDll("msi.dll"), 189) {}

const Api& api() {
    static const Api instance;
    return instance;
}

}  // namespace msi
