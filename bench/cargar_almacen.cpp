// Loads every certificate of an NSS database into the certificate table, reading one alias per
// certificate from the settings store, as the program does at its first showing.
// Usage: cargar_almacen NSSDB_DIR   (settings under $XDG_CONFIG_HOME)
#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>

#include "core/u_cargaCertificados.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_registroSqlite.h"

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
    const ResultadoCarga r =
        CargarCertificadosAlmacen(tabla, *almacen, registro, QDateTime::currentDateTime());
    if (!r.abierto) {
        std::fprintf(stderr, "%s\n", r.error.toUtf8().constData());
        return 1;
    }
    std::printf("%d\n", tabla.RecordCount());
    return 0;
}
