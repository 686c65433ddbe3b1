// The Linux back-end of the managed policy: one file per user in the folders that Edge, Chrome
// and Chromium read their managed policies from.
#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

#include "core/plataforma/u_almacenPoliticas.h"

namespace marlevanta {

// "marlevanta-<uid>.json": each user has a file of their own, so that no user's run or clean-up
// touches another's.
std::string ArchivoPolitica(uid_t uid);

// The folders of one browser below `raiz` ("/" unless MARLEVANTA_POLICY_ROOT says otherwise).
std::vector<std::string> CarpetasPoliticas(Navegador navegador, const std::string& raiz);
std::vector<std::string> TodasLasCarpetasPoliticas(const std::string& raiz);
std::string RaizPoliticas();

// Writes the current user's file, replacing it whole; only whoever may create files in the
// folders gets this far (root, or anyone below a root of their own). Fails when it cannot be
// written; what was written for the other folder is then taken back.
Hecho EscribirPoliticaArchivos(const std::string& raiz, Navegador navegador,
                               const ReglaCertificado& regla);
// Every file of ours below `raiz` that is not root's alone (earlier versions gave each user their
// own, which let that user set any policy for everyone) replaced by an empty policy of the caller.
Hecho RecuperarPoliticasDeUsuarios(const std::string& raiz);
// Leaves an empty policy ({}) in the current user's files; true when one held a rule.
Resultado<bool> EliminarPoliticaArchivos(const std::string& raiz, Navegador navegador);

}  // namespace marlevanta
