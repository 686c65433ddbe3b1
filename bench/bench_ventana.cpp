// The main window with N certificates (10,000 and 100,000): one typed character until the grid
// has repainted, and the memory the rows take; beside the plain Qt way of doing the same (a
// QStandardItemModel behind a QSortFilterProxyModel).
#include <benchmark/benchmark.h>

#include <algorithm>

#include <malloc.h>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "datos_sinteticos.h"
#include "programa_prueba.h"
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
