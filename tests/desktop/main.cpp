// The program's entry for the desktop tests: the program itself, with its record in the build tree
// instead of the machine's.
#include "Redate.h"
#include "platform/HiveStore.h"

int main() {
    SetHiveFilePath(REDATE_DESKTOP_RECORD);
    return Redate();
}
