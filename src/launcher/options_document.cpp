#include "launcher/options_document.h"

// Offline until the HTTP client lands: no document, nothing changes.
bool GetOptionsFromXmlIfOnline(char* /*buffer*/) { return false; }
