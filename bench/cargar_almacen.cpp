// Loads every certificate of an NSS database into the certificate table with the aliases of the
// settings store, as the program does at its first showing.
// Usage: cargar_almacen NSSDB_DIR   (settings under $XDG_CONFIG_HOME)
#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>

#include "core/u_cargaCertificados.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/u_sistema.h"

using namespace marlevanta;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s NSSDB_DIR\n", argv[0]);
        return 2;
    }
    TManejadorRegistro registro(CrearRegistroUsuario(), nullptr);
    TTablaCertificados tabla;
    tabla.Open();
    auto almacen = CrearAlmacenNss(argv[1]);
    const auto r =
        CargarCertificadosAlmacen(tabla, *almacen, registro, QDateTime::currentDateTime());
    if (!r) {
        std::fprintf(stderr, "%s\n", r.motivo().c_str());
        return 1;
    }
    std::printf("%d\n", tabla.RecordCount());
    return 0;
}
