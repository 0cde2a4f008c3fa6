#include "dialogs/pages.h"

// The page resources come later. Until then each page answers as if the user
// went on, and shows nothing.

INT_PTR CSetupCompleteError::DoModal() { return 1; }

INT_PTR CSetupComplete::DoModal() { return 1; }
