#include "dialogs/pages.h"

// The page resources come later. Until then each page answers as if the user
// went on, and shows nothing.

INT_PTR CWelcomeDialog::DoModal() { return 1; }

INT_PTR CChangeFolder::DoModal() { return 1; }
