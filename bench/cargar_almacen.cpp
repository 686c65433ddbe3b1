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
    // What the load does on its worker and then on the window's thread, here on one thread.
    const auto alias = registro.LeerTodosLosAlias().valor_o({});
    auto certificados = almacen->LeerCertificados();
    if (!certificados) {
        std::fprintf(stderr, "%s\n", certificados.motivo().c_str());
        return 1;
    }
    tabla.Reemplazar(TTablaCertificados::Preparar(
        FilasDeAlmacen(*certificados, alias, QDateTime::currentDateTime())));
    std::printf("%d\n", tabla.RecordCount());
    return 0;
}
