// Built into each module: the version the program checks before using it.
#include "platform/linux/u_modulos.h"

extern "C" __attribute__((visibility("default"))) int marlevanta_version_modulo() {
    return marlevanta::kVersionModulos;
}
