#pragma once
// The installer options document from the maker's server, when online.
// buffer: 2048 characters. The result is not used by the main flow.
bool GetOptionsFromXmlIfOnline(char* buffer);
