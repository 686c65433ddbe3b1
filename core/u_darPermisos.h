// The grant of the permissions that the browsers' managed policy needs: the permission program
// run with the administrator's rights, its end waited for on a worker, and what to tell of it.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "core/plataforma/u_permisos.h"
#include "core/plataforma/u_procesoExterno.h"

namespace marlevanta {

class SegundoPlano;

struct AvisoPermisos {
    bool hecho = false;
    QString texto;  // the whole message, failure or success
};

class DarPermisos : public QObject {
    Q_OBJECT

public:
    struct Entorno {
        std::shared_ptr<IniciadorProcesos> procesos;
        std::shared_ptr<const ElevacionPermisos> elevacion;
        std::string carpetaAyudantes;
        std::string nombrePermisos;  // the permission program's file name there
        std::string sid;             // the user the permissions are for
    };

    DarPermisos(Entorno entorno, SegundoPlano& fondo, QObject* parent = nullptr);

    // What an administrator can type in a terminal instead.
    QString OrdenManual() const;
    // Starts the permission program; Terminado follows, on this object's thread.
    void Ejecutar();
    bool EnCurso() const { return enCurso_; }

signals:
    void Terminado(const AvisoPermisos& aviso);

private:
    void Avisar(const Hecho& hecho);

    Entorno entorno_;
    SegundoPlano& fondo_;
    std::string ayudante_;
    bool enCurso_ = false;
};

}  // namespace marlevanta
