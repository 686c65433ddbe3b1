// Stands in for a module of another version of the program. Its entries abort: a loader that
// called them without checking the version would end the test there.
#include <cstdlib>

extern "C" {
__attribute__((visibility("default"))) int marlevanta_version_modulo() {
    return -1;
}
__attribute__((visibility("default"))) void marlevanta_nss() {
    std::abort();
}
__attribute__((visibility("default"))) void marlevanta_cliente_http() {
    std::abort();
}
__attribute__((visibility("default"))) void marlevanta_comprobar_firma() {
    std::abort();
}
}
