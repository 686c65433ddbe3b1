// The permission program: started with administrator rights and a user's SID text as its whole
// argument, it lets that user write the browsers' policies. It tells its result on standard
// error and in its exit code.
#include <cstdio>
#include <string>

#include "platform/u_sistema.h"

int main(int argc, char** argv) {
    std::string sid;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) sid += ' ';
        sid += argv[i];
    }
    const auto resultado = marlevanta::DarPermisosSoftwarePolicies(sid);
    if (!resultado) {
        std::fprintf(stderr, "%s\n", resultado.motivo().c_str());
        return 1;
    }
    std::fprintf(stderr, "Permisos establecidos\n");
    return 0;
}
