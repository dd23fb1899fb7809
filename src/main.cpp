#include "Redate.h"

int main() {
    return Redate();
}
