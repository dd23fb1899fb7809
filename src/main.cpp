// The process entry: the program takes no arguments and exits with what start-up returns.
#include "Redate.h"

int main() {
    return Redate();
}
