// The program as its entry builds it, for tests that drive the main window: the system's
// back-ends (with the tests' own folders), the services of the run and the window.
#pragma once

#include <QApplication>
#include <QTest>
#include <memory>

#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"

namespace prueba {

struct ProgramaPrueba {
    explicit ProgramaPrueba(marlevanta::TamanoPantalla tamano = {1920, 1080})
        : plataforma(marlevanta::PlataformaDelSistema()), pantalla([tamano] { return tamano; }) {
        registro = std::make_unique<marlevanta::TManejadorRegistro>(
            plataforma.registroUsuario(), pantalla, plataforma.almacenPoliticas());
        api = std::make_unique<marlevanta::TManejadorApi>(plataforma.clienteHttp, QString());
        fondo = std::make_unique<marlevanta::SegundoPlano>();
    }
    ~ProgramaPrueba() { Cerrar(); }

    // The window, shown, with its certificates loaded.
    marlevanta::TfrmMenu& Abrir(QStringList argumentos = {QStringLiteral("/demo")}) {
        marlevanta::TfrmMenu::Opciones o;
        o.argumentos = std::move(argumentos);
        o.pantalla = pantalla;
        o.contacto = contacto;
        ventana = std::make_unique<marlevanta::TfrmMenu>(
            marlevanta::TfrmMenu::Servicios{plataforma, *registro, *api, *fondo, comunes,
                                            [this] { ++fines; }},
            std::move(o));
        ventana->show();
        QApplication::processEvents();
        EsperarCarga();
        return *ventana;
    }
    void EsperarCarga() {
        for (int i = 0; i < 1000 && ventana && ventana->Cargando(); ++i) QTest::qWait(10);
    }
    // Lets every piece of work under way end and hands its result to the window.
    void EsperarFondo() {
        for (int i = 0; i < 3; ++i) {
            fondo->EsperarTodo();
            QApplication::processEvents();
        }
    }
    // Destroyed without the close question, as after a hand-over.
    void Cerrar() {
        ventana.reset();
        if (fondo) fondo->EsperarTodo();
    }

    marlevanta::Plataforma plataforma;
    marlevanta::TManejadorRegistro::FuentePantalla pantalla;
    std::unique_ptr<marlevanta::TManejadorRegistro> registro;
    std::unique_ptr<marlevanta::TManejadorApi> api;
    marlevanta::TmanejadorFuncionesComunes comunes;
    std::unique_ptr<marlevanta::SegundoPlano> fondo;
    marlevanta::DatosContacto contacto;
    int fines = 0;
    std::unique_ptr<marlevanta::TfrmMenu> ventana;
};

}  // namespace prueba
