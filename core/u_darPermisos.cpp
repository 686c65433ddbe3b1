#include "core/u_darPermisos.h"

#include <QDir>

#include "core/u_sesionNavegador.h"

namespace marlevanta {

DarPermisos::DarPermisos(Entorno entorno, SegundoPlano& fondo, QObject* parent)
    : QObject(parent), entorno_(std::move(entorno)), fondo_(fondo) {
    // pkexec matches the program by its absolute path: a bare name would never be allowed.
    if (!entorno_.carpetaAyudantes.empty() && !entorno_.nombrePermisos.empty()) {
        ayudante_ =
            QDir::toNativeSeparators(QDir(QString::fromStdString(entorno_.carpetaAyudantes))
                                         .filePath(QString::fromStdString(entorno_.nombrePermisos)))
                .toStdString();
    }
}

QString DarPermisos::OrdenManual() const {
    if (!entorno_.elevacion || ayudante_.empty()) return {};
    return QString::fromStdString(entorno_.elevacion->OrdenManual(ayudante_, entorno_.sid));
}

void DarPermisos::Ejecutar() {
    if (enCurso_) return;
    if (!entorno_.elevacion || !entorno_.procesos || ayudante_.empty()) {
        Avisar(Falla("En este sistema no se puede ejecutar el programa de permisos."));
        return;
    }
    enCurso_ = true;
    const auto orden = entorno_.elevacion->Elevada(ayudante_, entorno_.sid);
    // Waiting for the program lets the answer tell the truth, and the next rule write come only
    // after the permissions are in place.
    EjecutarYEsperar(*entorno_.procesos, fondo_, this, orden.ejecutable, orden.argumentos,
                     [this, elevacion = entorno_.elevacion](Resultado<SalidaPrograma> salida) {
                         enCurso_ = false;
                         if (!salida) {
                             Avisar(Falla(elevacion->SinArrancar(salida.motivo())));
                         } else {
                             Avisar(elevacion->Desenlace(salida->codigo, salida->error));
                         }
                     });
}

void DarPermisos::Avisar(const Hecho& hecho) {
    if (hecho) {
        emit Terminado({true, QStringLiteral("Permisos establecidos")});
        return;
    }
    QString texto = QStringLiteral("No se han podido establecer los permisos. ") +
                    QString::fromStdString(hecho.motivo());
    if (const QString manual = OrdenManual(); !manual.isEmpty()) {
        texto += QStringLiteral("\n\nUn administrador puede darlos escribiendo en un terminal:\n") +
                 manual;
    }
    emit Terminado({false, texto});
}

}  // namespace marlevanta
