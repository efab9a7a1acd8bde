#include <windows.h>

// Stands in for Postal2.exe or UCC.exe: runs until it is stopped.
int main() {
    Sleep(INFINITE);
}
