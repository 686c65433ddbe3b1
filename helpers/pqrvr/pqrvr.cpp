// The permission program: started with administrator rights (through pkexec, which names the
// user who asked in PKEXEC_UID) and that user's SID text as its whole argument, it makes the
// managed-policy folders when missing and in each a policy file of that user's own. A SID naming
// anyone else is refused. It tells its result on standard error and in its exit code.
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
