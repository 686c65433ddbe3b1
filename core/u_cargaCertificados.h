// Filling the certificate table from the user's store or with the demonstration rows.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/plataforma/u_almacenCertificados.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "core/u_tablaCertificados.h"

namespace marlevanta {

// "Thu, 05 Jan 2023 10:00:00 GMT" read by position: the date as written, no time-zone shift.
// Null when the text does not have that form.
QDate FechaDeValidez(const std::string& texto);

// The same text to the second, as seconds since 1970 UTC; 0 when it does not have that form.
qint64 MomentoDeValidez(const std::string& texto);

// 1 from the first moment of the day two calendar months before the expiry day until the
// certificate is expired (Caducado).
quint16 ProximoACaducar(const QDate& caducidad, const QDateTime& ahora);

// The table's rows for the store's certificates, in the store's order, with the aliases stored
// under each thumbprint (`alias` by key in upper case). A certificate the store could not read
// is a row that says so, without a thumbprint. Rows are numbered from `primerId` (a later part of
// a load goes on from the parts before it).
std::vector<RegistroCertificado> FilasDeAlmacen(const std::vector<DatosCertificado>& certificados,
                                                const std::map<std::string, std::string>& alias,
                                                const QDateTime& ahora, int primerId = 0);

inline constexpr int kFilasDemo = 34;
// The demonstration rows; the aliases that come with them are stored first, like the user's.
// Settings that cannot be used leave the rows with the aliases they come with.
Resultado<std::vector<RegistroCertificado>> FilasDemo(TManejadorRegistro& registro,
                                                      const QDateTime& ahora);

// The first part of a load into an empty table: what fills a window, read in milliseconds.
inline constexpr size_t kPrimeraParte = 1000;

// A load of the table that keeps the window free: the store is read and the rows prepared on a
// worker. Into an empty table they are handed over in parts as they are read (a firm's store
// shows at once and fills while the user looks); a reload replaces the rows at once at the end.
// A newer load makes an older one's rows count for nothing.
class CargaCertificados : public QObject {
    Q_OBJECT

public:
    using FabricaAlmacen = std::function<std::unique_ptr<AlmacenCertificados>()>;
    CargaCertificados(TTablaCertificados& tabla, TManejadorRegistro& registro,
                      FabricaAlmacen almacen, SegundoPlano& fondo, bool demo,
                      QObject* parent = nullptr);

    void Cargar();
    bool Cargando() const { return pendientes_ > 0; }

signals:
    // Part of the rows, or all of them, are in the table.
    void FilasRecibidas();
    // The table has its new rows (or, on failure, keeps its old ones, or none if it was empty).
    void Cargada(const Hecho& resultado);

private:
    TTablaCertificados& tabla_;
    TManejadorRegistro& registro_;
    FabricaAlmacen almacen_;
    SegundoPlano& fondo_;
    bool demo_;
    int generacion_ = 0;
    int pendientes_ = 0;
    int partes_ = 0;  // of the newest load, received
    std::shared_ptr<std::atomic<int>> vigente_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace marlevanta
