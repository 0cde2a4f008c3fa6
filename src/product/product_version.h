#pragma once
/* The version of the runtime this launcher carries, as plain #defines, so that
   the resource scripts (the version resource) and the code read the same
   constants. Change them here only. */

#define OVX_VERSION_MAJOR 1
#define OVX_VERSION_MINOR 9
#define OVX_VERSION_MICRO 0
#define OVX_BUILD_NUMBER 55

#define OVX_VERSION_TEXT "1.9.0-ea-b55"
#define OVX_FAMILY_VERSION_TEXT "1.9.0"
#define OVX_FILE_VERSION_TEXT "1.9.0.55"
#define OVX_FILE_DESCRIPTION "Orun Runtime Environment 1.9.0 Setup"
