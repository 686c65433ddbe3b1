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
        // The tests run the web views as root with the web engine's sandbox off on purpose
        // (see main.cpp); the help's refusal as administrator is tested on its own.
        plataforma.administrador = false;
        // No notice reaches the desktop of whoever runs the tests; those tests give a bus.
        plataforma.avisosEscritorio = nullptr;
    }
    ~ProgramaPrueba() { Cerrar(); }

    // The window, shown, with its certificates loaded.
    marlevanta::TfrmMenu& Abrir(QStringList argumentos = {QStringLiteral("/demo")}) {
        Mostrar(std::move(argumentos));
        QApplication::processEvents();
        EsperarCarga();
        return *ventana;
    }
    // The window made and shown as the program's entry does it, before its event loop runs.
    marlevanta::TfrmMenu& Mostrar(QStringList argumentos = {QStringLiteral("/demo")}) {
        marlevanta::TfrmMenu::Opciones o;
        o.argumentos = std::move(argumentos);
        o.pantalla = pantalla;
        o.contacto = contacto;
        ventana = std::make_unique<marlevanta::TfrmMenu>(
            marlevanta::TfrmMenu::Servicios{plataforma, *registro, *api, *fondo, comunes,
                                            solicitarFin ? solicitarFin : [this] { ++fines; }},
            std::move(o));
        ventana->show();
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
    // Destroyed without the close question, as after a hand-over; then the program's end:
    // work still running is stopped and waited for.
    void Cerrar() {
        ventana.reset();
        fondo.reset();
    }

    marlevanta::Plataforma plataforma;
    marlevanta::TManejadorRegistro::FuentePantalla pantalla;
    std::unique_ptr<marlevanta::TManejadorRegistro> registro;
    std::unique_ptr<marlevanta::TManejadorApi> api;
    marlevanta::TmanejadorFuncionesComunes comunes;
    std::unique_ptr<marlevanta::SegundoPlano> fondo;
    marlevanta::DatosContacto contacto;
    int fines = 0;
    // What a hand-over does; counts them unless a test says otherwise.
    std::function<void()> solicitarFin;
    std::unique_ptr<marlevanta::TfrmMenu> ventana;
};

}  // namespace prueba
