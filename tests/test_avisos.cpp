// Desktop notices over a real D-Bus session bus of the test's own, with a notification service
// that records what it is asked to show.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QVariantMap>

#include "ayudantes.h"
#include "platform/linux/u_avisosDbus.h"

using namespace marlevanta;

namespace {

// A bus of its own: dbus-daemon started for the test and ended with it.
class BusPrueba {
public:
    BusPrueba() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return;
        p_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!p_.waitForStarted(10000)) return;
        prueba::EsperarQue([this] { return p_.canReadLine(); }, 10000);
        direccion_ = QString::fromUtf8(p_.readLine()).trimmed();
    }
    ~BusPrueba() {
        p_.kill();
        p_.waitForFinished(10000);
    }
    const QString& Direccion() const { return direccion_; }

private:
    QProcess p_;
    QString direccion_;
};

// The freedesktop.org notification service, reduced to what the program uses.
class ServicioAvisos : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Aviso {
        QString app, resumen, cuerpo;
        QStringList acciones;
    };
    std::vector<Aviso> recibidos;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& resumen,
                const QString& cuerpo, const QStringList& acciones, const QVariantMap&, int) {
        recibidos.push_back({app, resumen, cuerpo, acciones});
        return static_cast<uint>(recibidos.size()) + 40;
    }
    QStringList GetCapabilities() { return {"actions", "body"}; }
    void CloseNotification(uint) {}

signals:
    void ActionInvoked(uint id, const QString& accion);
};

}  // namespace

TEST(AvisosEscritorio, ElServicioRecibeElAvisoYElClicLlegaDeVuelta) {
    BusPrueba bus;
    if (bus.Direccion().isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection servidor = QDBusConnection::connectToBus(bus.Direccion(), "servidor-avisos");
    ASSERT_TRUE(servidor.isConnected());
    ServicioAvisos servicio;
    ASSERT_TRUE(servidor.registerObject(
        "/org/freedesktop/Notifications", &servicio,
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));

    auto avisos = CrearAvisosDbus(bus.Direccion().toStdString());
    // No service yet on the bus: the failure is told, nothing breaks.
    std::optional<Hecho> sinServicio;
    avisos->Mostrar("t", "c", [&](const Hecho& h) { sinServicio = h; }, {});
    ASSERT_TRUE(prueba::EsperarQue([&] { return sinServicio.has_value(); }));
    EXPECT_FALSE(*sinServicio);
    EXPECT_TRUE(servicio.recibidos.empty());

    ASSERT_TRUE(servidor.registerService("org.freedesktop.Notifications"));
    std::optional<Hecho> mostrado;
    int pulsado = 0;
    avisos->Mostrar(
        "2 certificados caducan en los próximos 30 días", "El primero, «Mi DNI», el 01/04/2025.",
        [&](const Hecho& h) { mostrado = h; }, [&] { ++pulsado; });
    ASSERT_TRUE(prueba::EsperarQue([&] { return mostrado.has_value(); }));
    EXPECT_TRUE(*mostrado) << mostrado->motivo();
    ASSERT_EQ(servicio.recibidos.size(), 1u);
    EXPECT_EQ(servicio.recibidos[0].app, "Marlevanta");
    EXPECT_EQ(servicio.recibidos[0].resumen, "2 certificados caducan en los próximos 30 días");
    EXPECT_EQ(servicio.recibidos[0].cuerpo, "El primero, «Mi DNI», el 01/04/2025.");
    EXPECT_TRUE(servicio.recibidos[0].acciones.contains("default"));

    // Another notice's click, or another action, is not this one's.
    emit servicio.ActionInvoked(99, "default");
    emit servicio.ActionInvoked(41, "otra");
    // The click on the notice itself (id 41, the first the service gave).
    emit servicio.ActionInvoked(41, "default");
    ASSERT_TRUE(prueba::EsperarQue([&] { return pulsado > 0; }));
    EXPECT_EQ(pulsado, 1);
}

#include "test_avisos.moc"
