#include "platform/linux/u_avisosDbus.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <atomic>
#include <map>

#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

const QString kServicio = QStringLiteral("org.freedesktop.Notifications");
const QString kRuta = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterfaz = QStringLiteral("org.freedesktop.Notifications");

class AvisosDbus : public QObject, public AvisosEscritorio {
    Q_OBJECT

public:
    explicit AvisosDbus(const std::string& direccion)
        : conexion_(Conectar(direccion)), propia_(!direccion.empty()) {
        if (!conexion_.isConnected()) return;
        conexion_.connect(kServicio, kRuta, kInterfaz, QStringLiteral("ActionInvoked"), this,
                          SLOT(AccionInvocada(uint, QString)));
        conexion_.connect(kServicio, kRuta, kInterfaz, QStringLiteral("NotificationClosed"), this,
                          SLOT(AvisoCerrado(uint, uint)));
    }
    ~AvisosDbus() override {
        if (propia_) QDBusConnection::disconnectFromBus(conexion_.name());
    }

    void Mostrar(const std::string& titulo, const std::string& texto,
                 std::function<void(const Hecho&)> alMostrar,
                 std::function<void()> alPulsar) override {
        if (!conexion_.isConnected()) {
            alMostrar(Falla("No hay bus de sesión de D-Bus para mostrar avisos en el escritorio."));
            return;
        }
        // What the desktop can do decides how the text goes: a desktop that reads markup in the
        // body would take a '<' or '&' of a certificate's name for it.
        const QDBusMessage m = QDBusMessage::createMethodCall(kServicio, kRuta, kInterfaz,
                                                              QStringLiteral("GetCapabilities"));
        Responder<QStringList>(
            m, std::move(alMostrar),
            [this, titulo = QString::fromStdString(titulo), texto = QString::fromStdString(texto),
             alPulsar = std::move(alPulsar)](const QStringList& puede,
                                             std::function<void(const Hecho&)> alMostrar) mutable {
                if (puede.contains(QStringLiteral("body-markup"))) texto = texto.toHtmlEscaped();
                if (!puede.contains(QStringLiteral("actions"))) alPulsar = nullptr;
                Notificar(titulo, texto, std::move(alMostrar), std::move(alPulsar));
            });
    }

private slots:
    void AccionInvocada(uint id, const QString& accion) {
        const auto p = pulsar_.find(id);
        if (p == pulsar_.end() || accion != QLatin1String("default")) return;
        // Copied: the click may lead to this object's end.
        const auto pulsar = p->second;
        pulsar();
    }
    void AvisoCerrado(uint id, uint) { pulsar_.erase(id); }

private:
    void Notificar(const QString& titulo, const QString& texto,
                   std::function<void(const Hecho&)> alMostrar, std::function<void()> alPulsar) {
        QDBusMessage m =
            QDBusMessage::createMethodCall(kServicio, kRuta, kInterfaz, QStringLiteral("Notify"));
        // "default" is the action of a click on the notice itself.
        QStringList acciones;
        if (alPulsar) acciones = QStringList{QStringLiteral("default"), QStringLiteral("Ver")};
        m << QStringLiteral("Marlevanta") << 0u << QStringLiteral("es.velquorin.marlevanta")
          << titulo << texto << acciones
          << QVariantMap{{QStringLiteral("desktop-entry"),
                          QStringLiteral("es.velquorin.marlevanta")}}
          << -1;
        Responder<uint>(m, std::move(alMostrar),
                        [this, alPulsar = std::move(alPulsar)](
                            uint id, std::function<void(const Hecho&)> alMostrar) mutable {
                            if (alPulsar) pulsar_[id] = std::move(alPulsar);
                            alMostrar({});
                        });
    }

    // Calls without waiting; `siguiente` gets the answer, or `alMostrar` why there was none.
    template <typename T, typename Siguiente>
    void Responder(const QDBusMessage& m, std::function<void(const Hecho&)> alMostrar,
                   Siguiente siguiente) {
        auto* vigia = new QDBusPendingCallWatcher(conexion_.asyncCall(m), this);
        connect(vigia, &QDBusPendingCallWatcher::finished, this,
                [alMostrar = std::move(alMostrar),
                 siguiente = std::move(siguiente)](QDBusPendingCallWatcher* w) mutable {
                    w->deleteLater();
                    QDBusPendingReply<T> r = *w;
                    if (r.isError()) {
                        alMostrar(Falla("El escritorio no ha mostrado el aviso: " +
                                        r.error().message().toStdString()));
                        return;
                    }
                    siguiente(r.value(), std::move(alMostrar));
                });
    }

    static QDBusConnection Conectar(const std::string& direccion) {
        if (direccion.empty()) return QDBusConnection::sessionBus();
        static std::atomic<int> cuenta{0};
        return QDBusConnection::connectToBus(QString::fromStdString(direccion),
                                             QStringLiteral("marlevanta-avisos-%1").arg(++cuenta));
    }

    QDBusConnection conexion_;
    bool propia_;
    std::map<uint, std::function<void()>> pulsar_;
};

}  // namespace

std::unique_ptr<AvisosEscritorio> CrearAvisosDbus(const std::string& direccion) {
    return std::make_unique<AvisosDbus>(direccion);
}

std::unique_ptr<AvisosEscritorio> CrearAvisosEscritorio() {
    return CrearAvisosDbus();
}

}  // namespace marlevanta

#include "u_avisosDbus.moc"
