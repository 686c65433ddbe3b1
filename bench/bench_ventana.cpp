// The main window with N certificates (10,000 and 100,000): one typed character until the grid
// has repainted, and the memory the rows take; beside the plain Qt way of doing the same (a
// QStandardItemModel behind a QSortFilterProxyModel).
#include <benchmark/benchmark.h>

#include <algorithm>

#include <malloc.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/u_sesionNavegador.h"
#include "datos_sinteticos.h"
#include "programa_prueba.h"
#include "ui/u_frmElegirNavegador.h"
#include "ui/u_frmMenu.h"
#include "ui/u_rejillaCertificados.h"

using namespace marlevanta;

namespace {

// Bytes the heap holds in use: unlike the resident size, not hidden by memory freed earlier.
// Counts the main arena only, so main() keeps every thread's allocations there.
long EnUso() {
    return static_cast<long>(mallinfo2().uordblks);
}

// The window with its rows loaded, against the empty process: bytes_por_fila.
// Types one character into the search box and back, each followed by a full repaint.
void BM_VentanaTeclaHastaRepintar(benchmark::State& state) {
    const int kFilas = static_cast<int>(state.range(0));
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const long antes = EnUso();
    prueba::ProgramaPrueba programa;
    programa.plataforma.almacenCertificados = [kFilas] {
        return std::make_unique<bench::AlmacenEnMemoria>(kFilas);
    };
    TfrmMenu& w = programa.Abrir({});
    w.chkVerCertificadosCliente()->setChecked(false);
    QApplication::processEvents();
    const long despues = EnUso();
    QLineEdit* busqueda = w.edtBuscarNombre();
    busqueda->setFocus();
    QTest::keyClicks(busqueda, "ga");
    bool borrar = false;
    // Where the time goes: the filter with the model's reset, and the painting.
    qint64 filtro = 0, pintar = 0;
    QElapsedTimer reloj;
    for (auto _ : state) {
        if (borrar) {
            QTest::keyClick(busqueda, Qt::Key_Backspace);
        } else {
            QTest::keyClick(busqueda, Qt::Key_R);
        }
        borrar = !borrar;
        reloj.start();
        // The filter waits for the event loop; reading the view applies it, as the loop would.
        benchmark::DoNotOptimize(w.cdsCertificados().RecordCount());
        filtro += reloj.nsecsElapsed();
        reloj.start();
        w.grdCertificados()->viewport()->repaint();
        pintar += reloj.nsecsElapsed();
    }
    const double veces = std::max<double>(1, static_cast<double>(state.iterations()));
    state.counters["ms_filtro"] = static_cast<double>(filtro) / veces / 1e6;
    state.counters["ms_pintar"] = static_cast<double>(pintar) / veces / 1e6;
    state.counters["filas"] = w.cdsCertificados().TotalFilas();
    state.counters["bytes_por_fila"] = double(despues - antes) / kFilas;
}
BENCHMARK(BM_VentanaTeclaHastaRepintar)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_PeerProxyQt(benchmark::State& state) {
    const int kFilas = static_cast<int>(state.range(0));
    const long antes = EnUso();
    QStandardItemModel modelo(0, 4);
    for (const auto& c : bench::Certificados(kFilas)) {
        QList<QStandardItem*> fila;
        fila << new QStandardItem(QString::fromStdString(c.emitidoPara))
             << new QStandardItem(QString())
             << new QStandardItem(QString::fromStdString(c.validoHasta))
             << new QStandardItem(QString::fromStdString(c.email));
        modelo.appendRow(fila);
    }
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&modelo);
    proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy.setFilterKeyColumn(-1);
    QTableView vista;
    vista.setModel(&proxy);
    vista.resize(700, 600);
    vista.show();
    QApplication::processEvents();
    const long despues = EnUso();
    QString texto = QStringLiteral("ga");
    bool borrar = false;
    for (auto _ : state) {
        proxy.setFilterFixedString(borrar ? texto : texto + u'r');
        borrar = !borrar;
        vista.viewport()->repaint();
        benchmark::DoNotOptimize(proxy.rowCount());
    }
    state.counters["bytes_por_fila"] = double(despues - antes) / kFilas;
}
BENCHMARK(BM_PeerProxyQt)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a browser profile's Preferences looks like after some use: about 50 KB of settings.
QByteArray PreferenciasUsadas() {
    QJsonObject sitios;
    for (int i = 0; sitios.size() < 400; ++i) {
        sitios.insert(QStringLiteral("https://sede-%1.example.es:443,*").arg(i),
                      QJsonObject{{"last_modified",
                                   QStringLiteral("13%1").arg(i * 7919, 15, 10, QLatin1Char('0'))},
                                  {"setting", QJsonObject{{"rawScore", 3.5 + i},
                                                          {"lastEngagementTime", 1.33e16 + i}}}});
    }
    QJsonObject raiz{
        {"profile",
         QJsonObject{{"content_settings",
                      QJsonObject{{"exceptions", QJsonObject{{"site_engagement", sitios}}}}}}},
        {"browser", QJsonObject{{"has_seen_welcome_page", true}}}};
    return QJsonDocument(raiz).toJson(QJsonDocument::Compact);
}

struct CasaConNavegador {
    QTemporaryDir casa;
    std::string d = casa.path().toStdString();
    CasaConNavegador() {
        QDir().mkpath(casa.filePath("bin"));
        QDir().mkpath(casa.filePath("Marlevanta/chrome/Default"));
        QFile navegador(casa.filePath("bin/google-chrome"));
        navegador.open(QIODevice::WriteOnly);
        navegador.write("#!/bin/sh\nexit 0\n");
        navegador.close();
        navegador.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", casa.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", casa.filePath("config").toUtf8());
        qputenv("MARLEVANTA_POLICY_ROOT", casa.filePath("politicas").toUtf8());
        qputenv("PATH", casa.filePath("bin").toUtf8() + ":/usr/bin:/bin");
    }
    void Preferencias() const {
        QFile f(casa.filePath("Marlevanta/chrome/Default/Preferences"));
        f.open(QIODevice::WriteOnly);
        f.write(PreferenciasUsadas());
    }
};

// Enter on a certificate of 10,000 and C in the browser choice, until the browser process has
// been started with the rule written into a Preferences file of 50 KB: the window's own path.
void BM_TeclaHastaNavegador(benchmark::State& state) {
    CasaConNavegador casa;
    prueba::ProgramaPrueba programa;
    programa.plataforma.almacenCertificados = [] {
        return std::make_unique<bench::AlmacenEnMemoria>(10000);
    };
    TfrmMenu& w = programa.Abrir({});
    TTablaCertificados& t = w.cdsCertificados();
    for (int i = 0; i < t.RecordCount(); ++i) {
        if (!Caducado(t.Fila(i), QDateTime::currentDateTime())) {
            t.SetRecNo(i + 1);
            break;
        }
    }
    QElapsedTimer reloj;
    qint64 iniciado = -1;
    QString fallo;
    for (auto _ : state) {
        state.PauseTiming();
        casa.Preferencias();
        iniciado = -1;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<TfrmElegirNavegador*>(QApplication::activeModalWidget());
            auto* sesion = d ? d->findChild<SesionNavegador*>() : nullptr;
            if (!sesion) {
                fallo = QStringLiteral("the browser choice did not open");
                if (QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
                return;
            }
            QObject::connect(sesion, &SesionNavegador::NavegadorIniciado,
                             [&] { iniciado = reloj.nsecsElapsed(); });
            QObject::connect(sesion, &SesionNavegador::Terminada, d,
                             [d] { QTimer::singleShot(0, d, &QDialog::reject); });
            QTest::keyClick(d, Qt::Key_C);
        });
        state.ResumeTiming();
        reloj.start();
        QTest::keyClick(w.grdCertificados(), Qt::Key_Return);  // back once the choice has closed
        if (iniciado < 0) {
            state.SkipWithError(fallo.isEmpty() ? "the browser was not started"
                                                : qPrintable(fallo));
            break;
        }
        state.SetIterationTime(static_cast<double>(iniciado) / 1e9);
    }
    state.counters["kb_preferencias"] = PreferenciasUsadas().size() / 1024.0;
}
BENCHMARK(BM_TeclaHastaNavegador)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

// The same work done plainly: the Preferences read, the rule put in and the file replaced, and
// the same browser started.
void BM_PeerReglaYProceso(benchmark::State& state) {
    CasaConNavegador casa;
    const QString archivo = casa.casa.filePath("Marlevanta/chrome/Default/Preferences");
    for (auto _ : state) {
        state.PauseTiming();
        casa.Preferencias();
        state.ResumeTiming();
        QFile f(archivo);
        f.open(QIODevice::ReadOnly);
        QJsonObject raiz = QJsonDocument::fromJson(f.readAll()).object();
        f.close();
        raiz.insert(
            "auto_select_certificate_for_urls",
            QJsonArray{QStringLiteral(R"({"pattern":"*","filter":{"SUBJECT":{"CN":"X"}}})")});
        QSaveFile nuevo(archivo);
        nuevo.open(QIODevice::WriteOnly);
        nuevo.write(QJsonDocument(raiz).toJson(QJsonDocument::Compact));
        benchmark::DoNotOptimize(nuevo.commit());
        QProcess navegador;
        navegador.start(casa.casa.filePath("bin/google-chrome"),
                        {"--user-data-dir=" + casa.casa.filePath("Marlevanta/chrome")});
        benchmark::DoNotOptimize(navegador.waitForStarted());
        state.PauseTiming();
        navegador.waitForFinished();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PeerReglaYProceso)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

int main(int argc, char** argv) {
    // The rows are prepared on a worker thread, whose own arena mallinfo2 would not count.
    mallopt(M_ARENA_MAX, 1);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
