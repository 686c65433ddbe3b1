// The permission program: started with administrator rights and a user's SID text as its whole
// argument, it lets that user write the browsers' policies. It tells its result on standard
// error and in its exit code.
#include <cstdio>
#include <string>

#include "store/permisos.h"

int main(int argc, char** argv) {
    std::string sid;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) sid += ' ';
        sid += argv[i];
    }
    const std::string resultado = marlevanta::DarPermisosSoftwarePolicies(sid);
    if (!resultado.empty()) {
        std::fprintf(stderr, "%s\n", resultado.c_str());
        return 1;
    }
    std::fprintf(stderr, "Permisos establecidos\n");
    return 0;
}
