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

// Writes the current user's file in place (the folder stays the administrator's: the user may
// own the file but not create, rename or delete anything beside it). Fails when the file cannot
// be opened for writing; what was written for the other folder is then taken back.
Hecho EscribirPoliticaArchivos(const std::string& raiz, Navegador navegador,
                               const ReglaCertificado& regla);
// Leaves an empty policy ({}) in the current user's files; true when one held a rule.
Resultado<bool> EliminarPoliticaArchivos(const std::string& raiz, Navegador navegador);

}  // namespace marlevanta
