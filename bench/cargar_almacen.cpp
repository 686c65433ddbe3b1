// Loads every certificate of an NSS database into the certificate table with the aliases of the
// settings store, as the program does at its first showing (on a worker, in parts).
// Usage: cargar_almacen NSSDB_DIR   (settings under $XDG_CONFIG_HOME)
#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>

#include "core/u_cargaCertificados.h"
#include "core/u_segundoPlano.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/u_sistema.h"

using namespace marlevanta;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s NSSDB_DIR\n", argv[0]);
        return 2;
    }
    TManejadorRegistro registro(CrearRegistroUsuario(), nullptr);
    TTablaCertificados tabla;
    tabla.Open();
    SegundoPlano fondo;
    // The window's own load: read and prepared on a worker, handed over in parts.
    const std::string directorio = argv[1];
    CargaCertificados carga(
        tabla, registro, [directorio] { return CrearAlmacenNss(directorio); }, fondo, false);
    int codigo = 0;
    QObject::connect(&carga, &CargaCertificados::Cargada, [&](const Hecho& h) {
        if (!h) {
            std::fprintf(stderr, "%s\n", h.motivo().c_str());
            codigo = 1;
        }
        QCoreApplication::quit();
    });
    carga.Cargar();
    app.exec();
    std::printf("%d\n", tabla.RecordCount());
    return codigo;
}
