// What the NSS module gives the program: NSS and the libraries beneath it were a tenth of the
// program's start-up, and no certificate is read before the window shows.
#pragma once

#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_certificadosFirefox.h"
#include "platform/linux/u_detallesNss.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_perfilFirefox.h"

namespace marlevanta {

struct FuncionesNss {
    decltype(&CrearAlmacenNss) crearAlmacen;
    decltype(&CrearImportadorNss) crearImportador;
    decltype(&LeerDetallesNss) leerDetalles;
    decltype(&CrearCertificadosFirefoxNss) crearCertificadosFirefox;
    decltype(&PrepararPerfilFirefox) prepararPerfilFirefox;
};

inline constexpr const char* kEntradaModuloNss = "marlevanta_nss";

}  // namespace marlevanta
