"""What the built executable is: its format and what it imports."""
import os
import re
import subprocess
import unittest

from harness import BIN_DIR

OBJDUMP = os.environ.get("OVX_OBJDUMP", "x86_64-w64-mingw32-objdump")

# Known DLLs, plus comctl32 which the manifest binds side by side. Anything
# else could be planted beside a downloaded installer.
ALLOWED_IMPORTS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
    "shlwapi.dll", "msvcrt.dll", "comdlg32.dll", "ntdll.dll", "comctl32.dll",
}


def headers(exe):
    return subprocess.run([OBJDUMP, "-p", exe], capture_output=True, text=True, check=True).stdout


class LauncherExecutable(unittest.TestCase):
    def setUp(self):
        if not BIN_DIR:
            self.skipTest("run through ctest")
        self.exe = os.path.join(BIN_DIR, "ovxoffline.exe")
        self.dump = headers(self.exe)

    def test_is_a_64_bit_gui_program(self):
        self.assertIn("file format pei-x86-64", subprocess.run([OBJDUMP, "-f", self.exe], capture_output=True,
                                                              text=True).stdout)
        self.assertRegex(self.dump, r"Subsystem\s+00000002\s+\(Windows GUI\)")

    def test_imports_only_known_dlls(self):
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", self.dump)}
        self.assertTrue(imported, "no import table found")
        self.assertLessEqual(imported, ALLOWED_IMPORTS, f"unexpected imports: {sorted(imported - ALLOWED_IMPORTS)}")
        for late in ("msi.dll", "wininet.dll", "urlmon.dll", "crypt32.dll", "version.dll", "gdiplus.dll"):
            self.assertNotIn(late, imported, f"{late} must be loaded from the system directory at run time")

    def test_needs_no_dll_beside_it(self):
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", self.dump)}
        for runtime in ("libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"):
            self.assertNotIn(runtime, imported)


if __name__ == "__main__":
    unittest.main()
