// The Linux back-end: managed-policy files that Edge, Chrome and Chromium read.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/plataforma/u_almacenPoliticas.h"

namespace marlevanta {

inline constexpr const char* kArchivoPolitica = "marlevanta.json";

// The folders of one browser below `raiz` ("/" unless MARLEVANTA_POLICY_ROOT says otherwise).
std::vector<std::string> CarpetasPoliticas(Navegador navegador, const std::string& raiz);
std::vector<std::string> TodasLasCarpetasPoliticas(const std::string& raiz);
std::string RaizPoliticas();

std::unique_ptr<AlmacenPoliticas> CrearAlmacenPoliticasArchivos(const std::string& raiz);

}  // namespace marlevanta
