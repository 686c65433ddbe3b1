#include "core/u_cargaCertificados.h"

#include <array>
#include <iterator>
#include <thread>
#include <unordered_map>

namespace marlevanta {

namespace {

int Numero(const std::string& s, size_t desde, size_t largo) {
    int v = 0;
    for (size_t i = desde; i < desde + largo; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

QString DeUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

QDate FechaDeValidez(const std::string& texto) {
    static const std::array<const char*, 12> meses = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
    if (texto.size() < 16) return {};
    const int dia = Numero(texto, 5, 2);
    const int anio = Numero(texto, 12, 4);
    int mes = 0;
    for (size_t m = 0; m < meses.size(); ++m) {
        bool igual = true;
        for (size_t k = 0; k < 3; ++k) {
            const char c = texto[8 + k];
            const char minuscula = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            igual = igual && minuscula == meses[m][k];
        }
        if (igual) mes = static_cast<int>(m) + 1;
    }
    if (dia < 0 || anio < 0 || mes == 0) return {};
    return QDate(anio, mes, dia);  // null for a day that the month does not have
}

qint64 MomentoDeValidez(const std::string& texto) {
    const QDate dia = FechaDeValidez(texto);
    if (!dia.isValid() || texto.size() < 25 || texto[19] != ':' || texto[22] != ':') return 0;
    const int h = Numero(texto, 17, 2);
    const int m = Numero(texto, 20, 2);
    const int s = Numero(texto, 23, 2);
    if (h < 0 || m < 0 || s < 0) return 0;
    return QDateTime(dia, QTime(h, m, s), Qt::UTC).toSecsSinceEpoch();
}

quint16 ProximoACaducar(const QDate& caducidad, const QDateTime& ahora) {
    if (!caducidad.isValid() || Caducado(caducidad, ahora)) return 0;
    return caducidad.addMonths(-2) <= ahora.toLocalTime().date() ? 1 : 0;
}

std::vector<RegistroCertificado> FilasDeAlmacen(const std::vector<DatosCertificado>& certificados,
                                                const std::map<std::string, std::string>& alias,
                                                const QDateTime& ahora, int primerId) {
    std::vector<RegistroCertificado> filas(certificados.size());
    const auto compartido = [](std::unordered_map<std::string, QString>& vistos,
                               const std::string& clave, auto hacer) {
        auto [it, nuevo] = vistos.try_emplace(clave);
        if (nuevo) it->second = hacer(clave);
        return it->second;
    };
    const auto tramo = [&](size_t desde, size_t hasta) {
        // Issuer and usages repeat across a firm's certificates: the rows share one copy of each.
        std::unordered_map<std::string, QString> emisores, usos;
        for (size_t i = desde; i < hasta; ++i) {
            const DatosCertificado& c = certificados[i];
            RegistroCertificado& r = filas[i];
            r.id = primerId + static_cast<qint32>(i);
            if (!c.legible) {
                r.ilegible = true;
                r.apodo = Cortar(NombreVisible(c.apodo), 100);
                continue;
            }
            // Shown with what cannot be shown made visible; the certificate's own bytes go with the
            // row for the browser's rule.
            r.emitido_para = NombreVisible(c.emitidoPara);
            r.emitido_para_real = QByteArray::fromStdString(c.emitidoPara);
            if (auto a = alias.find(MayusculasAscii(c.huella)); a != alias.end()) {
                r.alias = DeUtf8(a->second);
            }
            r.emitido_por = compartido(emisores, c.emitidoPor, NombreVisible);
            r.emitido_por_real = QByteArray::fromStdString(c.emitidoPor);
            r.inicio_validez = MomentoDeValidez(c.validoDesde);
            r.fin_validez = MomentoDeValidez(c.validoHasta);
            // A validity text of another form leaves that date empty; the load goes on.
            r.fecha_emision = FechaDeValidez(c.validoDesde);
            r.fecha_caducidad = FechaDeValidez(c.validoHasta);
            r.propositos = compartido(usos, c.usosExtendidos, DeUtf8);
            r.email = DeUtf8(c.email);
            r.key_for_alias = DeUtf8(c.huella);
            r.proximo_a_caducar = ProximoACaducar(r.fecha_caducidad, ahora);
        }
    };
    // Each row stands alone: two halves side by side where there are two cores.
    const size_t n = certificados.size();
    std::thread otra;
    if (n >= 2 && std::thread::hardware_concurrency() > 1) otra = std::thread(tramo, n / 2, n);
    tramo(0, otra.joinable() ? n / 2 : n);
    if (otra.joinable()) otra.join();
    return filas;
}

namespace {

// Dates of the demonstration rows, relative to the day of loading.
enum class Mes { Fijo, Actual, Siguiente };
struct FechaDemo {
    int dia;
    int mes;  // 1-12 when Fijo
    Mes tipo;
    int anio;  // added to the current year, or absolute when absoluto
    bool absoluto = false;
};

struct FilaDemo {
    const char* emitidoPara;
    const char* alias;  // nullptr: the row brings none
    FechaDemo desde;
    FechaDemo hasta;
    const char* email;
    const char* emitidoPor;
    const char* propositos;
};

constexpr const char* F = "AC FNMT Usuarios";
constexpr const char* U = "clientAuth,emailProtection";

FechaDemo D(int dia, int mes, int anio) {
    return {dia, mes, Mes::Fijo, anio};
}
FechaDemo M(int dia, int anio) {
    return {dia, 0, Mes::Actual, anio};
}
FechaDemo Sig(int dia) {
    return {dia, 0, Mes::Siguiente, 0};
}

const std::array<FilaDemo, kFilasDemo>& FilasDemoFijas() {
    static const std::array<FilaDemo, kFilasDemo> filas = {{
        {"Adobe Content Certificate 10-8", nullptr, {}, {}, "", "Adobe Intermediate CA 10-7", ""},
        {"", nullptr, D(25, 11, -13), D(1, 1, 8), "", "", ""},
        {"GARCÍA LÓPEZ MARÍA - 12345678Z", "Ebrotrans", D(12, 8, -1), D(12, 8, 1),
         "maria.garcia@correo.example", F, U},
        {"Adobe Intermediate Certificate 10-3", nullptr, D(17, 6, -4), D(4, 6, 46), "",
         "Adobe Root CA 10-3", ""},
        {"CONSTRUCCIONES ALBORÁN SL - B12345674", nullptr, D(22, 7, -1), D(22, 7, 2),
         "administracion@alboran.example", F, U},
        {"MARTÍNEZ RUIZ JAVIER - 23456789D", "Caducado", D(17, 6, -3), D(17, 6, -1),
         "javier.martinez@correo.example", F, U},
        {"winuser", nullptr, {26, 12, Mes::Fijo, 2019, true}, D(2, 12, 97), "", "winuser", ""},
        {"NÚÑEZ PEÑA LUCÍA - 34567890V", nullptr, M(19, -2), Sig(11), "lucia.nunez@correo.example",
         F, U},
        {"FERNÁNDEZ GIL ANTONIO - 45678901G", nullptr, D(30, 10, -1), D(30, 10, 3),
         "antonio.fernandez@correo.example", F, U},
        {"SÁNCHEZ MORA ELENA - 56789012B", nullptr, D(6, 5, -2), D(6, 5, 1),
         "elena.sanchez@correo.example", F, U},
        {"LÓPEZ DÍAZ CARLOS - 67890123B AC REPRESENTACIÓN B87654321", nullptr, D(2, 3, -2),
         D(2, 3, 1), "carlos.lopez@talleres.example", F, U},
        {"GÓMEZ VIDAL ANA - 78901234X", nullptr, D(6, 5, -1), D(20, 2, 2),
         "ana.gomez@correo.example", F, U},
        {"RUIZ CASTRO PABLO - 89012345E", nullptr, M(23, -2), Sig(23), "pablo.ruiz@correo.example",
         F, U},
        {"MORENO SANZ ISABEL - 90123456A AC REPRESENTACIÓN B11223344", nullptr, D(12, 3, -2),
         D(12, 3, 2), "isabel.moreno@asesoria.example", F, U},
        {"MORENO SANZ ISABEL - 90123456A AC REPRESENTACIÓN B556677889", nullptr, D(12, 4, -2),
         D(12, 4, 2), "isabel.moreno@asesoria.example", F, U},
        {"JIMÉNEZ ROMERO DAVID - 11223344B AC REPRESENTACIÓN B99887766", nullptr, D(21, 7, -3),
         D(21, 7, 1), "david.jimenez@hortofruticola.example", F, U},
        {"ÁLVAREZ IGLESIAS ROSA - 22334455Y", nullptr, M(11, -2), Sig(11),
         "rosa.alvarez@correo.example", F, U},
        {"TORRES ORTIZ MIGUEL - 33445566F AC REPRESENTACIÓN B1234567890", nullptr, D(2, 11, -3),
         D(2, 11, 1), "miguel.torres@logistica.example", F, U},
        {"DOMÍNGUEZ SERRANO LAURA - 44556677A AC REPRESENTACIÓN B24681357", nullptr, D(12, 2, -3),
         D(12, 2, 1), "laura.dominguez@bodegas.example", F, U},
        {"VÁZQUEZ RAMOS JORGE - 55667788K", nullptr, D(17, 6, -3), D(17, 6, 1),
         "jorge.vazquez@correo.example", F, U},
        {"RAMÍREZ BLANCO CARMEN - 667788990W", nullptr, D(1, 6, -3), D(1, 6, 1),
         "carmen.ramirez@correo.example", F, U},
        {"MOLINA SUÁREZ FRANCISCO - 77889900C", nullptr, D(11, 1, -3), D(11, 1, 1),
         "francisco.molina@correo.example", F, U},
        {"DELGADO CASTILLO PILAR - 88990011J", nullptr, D(14, 2, -3), D(14, 2, 1),
         "pilar.delgado@correo.example", F, U},
        {"ORTEGA RUBIO MANUEL - 99001122Q", nullptr, D(22, 2, -3), D(22, 2, 1),
         "familia.ortega@correo.example", F, U},
        {"ORTEGA RUBIO MANUELA - 10203040M", nullptr, D(5, 9, -2), D(5, 9, 2),
         "familia.ortega@correo.example", F, U},
        {"GUERRERO MEDINA SARA - 20304050H", nullptr, D(16, 9, -2), D(16, 9, 2),
         "sara.guerrero@correo.example", F, U},
        {"CANO PRIETO RAÚL - 30405060X", nullptr, D(15, 3, -2), D(15, 3, 2),
         "raul.cano@correo.example", F, U},
        {"CABRERA LEÓN MARTA - 40506070T", nullptr, D(12, 1, -1), D(12, 1, 3),
         "marta.cabrera@correo.example", F, U},
        {"PASCUAL HERRERA ÍÑIGO - 50607080M", nullptr, D(18, 12, -2), D(18, 12, 2),
         "inigo.pascual@correo.example", F, U},
        {"CRESPO CALVO BEATRIZ - 60708090R", nullptr, D(21, 11, -2), D(21, 11, 2),
         "beatriz.crespo@correo.example", F, U},
        {"MÉNDEZ VEGA SERGIO - 70809010W", nullptr, M(26, -3), Sig(26),
         "sergio.mendez@correo.example", F, U},
        {"CRESPO CALVO BEATRIZ - 60708090R", nullptr, D(21, 11, -2), D(21, 11, 2),
         "beatriz.crespo@correo.example", F, U},
        {"IBÁÑEZ CARMONA JOSÉ - 80901020S", nullptr, D(4, 5, -1), D(4, 5, 4),
         "jose.ibanez@correo.example", F, U},
        {"IBÁÑEZ CARMONA JOSE - 80901020S", nullptr, D(19, 10, -1), D(19, 10, 4),
         "jibanez@gestoria.example", F, U},
    }};
    return filas;
}

QDate FechaDeDemo(const FechaDemo& f, const QDate& hoy) {
    int anio = f.absoluto ? f.anio : hoy.year() + f.anio;
    int mes = f.mes;
    if (f.tipo == Mes::Actual) mes = hoy.month();
    if (f.tipo == Mes::Siguiente) {
        mes = hoy.month() == 12 ? 1 : hoy.month() + 1;
        anio = hoy.month() == 12 ? hoy.year() + 1 : hoy.year();
    }
    // Built as "d/m/yyyy" text and read back with the program's date format.
    return LeerFechaFiltro(QStringLiteral("%1/%2/%3").arg(f.dia).arg(mes).arg(anio));
}

}  // namespace

Resultado<std::vector<RegistroCertificado>> FilasDemo(TManejadorRegistro& registro,
                                                      const QDateTime& ahora) {
    const QDate hoy = ahora.date();
    const auto& filas = FilasDemoFijas();
    std::vector<RegistroCertificado> r(filas.size());
    for (int i = 0; i < kFilasDemo; ++i) {
        const FilaDemo& d = filas[static_cast<size_t>(i)];
        RegistroCertificado& f = r[static_cast<size_t>(i)];
        f.id = i;
        f.emitido_para = QString::fromUtf8(d.emitidoPara);
        f.emitido_por = QString::fromUtf8(d.emitidoPor);
        if (i == 0) {
            f.fecha_emision = hoy.addMonths(-12);
            f.fecha_caducidad = hoy.addMonths(12);
        } else {
            f.fecha_emision = FechaDeDemo(d.desde, hoy);
            f.fecha_caducidad = FechaDeDemo(d.hasta, hoy);
        }
        f.propositos = QString::fromUtf8(d.propositos);
        f.email = QString::fromUtf8(d.email);
        f.key_for_alias = QStringLiteral("DEMO-%1").arg(i);
        f.proximo_a_caducar = ProximoACaducar(f.fecha_caducidad, ahora);
        if (d.alias) {
            // Settings that cannot be written (the user has been told) still show it.
            (void)registro.EscribirAlias(f.key_for_alias.toStdString(), d.alias);
            f.alias = QString::fromUtf8(d.alias);
        }
    }
    // What is stored wins; aliases that cannot be read leave the rows as they are.
    auto alias = registro.LeerTodosLosAlias();
    if (!alias) return r;
    for (auto& f : r) {
        if (auto a = alias->find(MayusculasAscii(f.key_for_alias.toStdString()));
            a != alias->end()) {
            f.alias = QString::fromStdString(a->second);
        }
    }
    return r;
}

CargaCertificados::CargaCertificados(TTablaCertificados& tabla, TManejadorRegistro& registro,
                                     FabricaAlmacen almacen, SegundoPlano& fondo, bool demo,
                                     QObject* parent)
    : QObject(parent),
      tabla_(tabla),
      registro_(registro),
      almacen_(std::move(almacen)),
      fondo_(fondo),
      demo_(demo) {}

void CargaCertificados::Cargar() {
    const int generacion = ++generacion_;
    vigente_->store(generacion);
    ++pendientes_;
    partes_ = 0;
    const QDateTime ahora = QDateTime::currentDateTime();
    using Preparadas = TTablaCertificados::FilasPreparadas;
    const auto alParte = [this, generacion](Preparadas filas) {
        if (generacion != generacion_) return;
        if (partes_++ == 0) {
            tabla_.Reemplazar(std::move(filas));
        } else {
            tabla_.Anadir(std::move(filas));
        }
        emit FilasRecibidas();
    };
    const auto fin = [this, generacion](const Hecho& hecho) {
        --pendientes_;
        if (generacion != generacion_) return;
        // Part of a list is no list: what came before a failure goes, as the old rows went
        // with the first part.
        if (!hecho && partes_ > 0) tabla_.Reemplazar(TTablaCertificados::Preparar({}));
        if (hecho && partes_ == 0) tabla_.Reemplazar(TTablaCertificados::Preparar({}));
        emit Cargada(hecho);
    };
    if (demo_) {
        // Thirty-four rows and their aliases: quick, and the settings stay on this thread.
        auto filas = FilasDemo(registro_, ahora);
        if (!filas) {
            fin(Fallo{filas.motivo()});
            return;
        }
        alParte(TTablaCertificados::Preparar(std::move(*filas)));
        fin({});
        return;
    }
    // The aliases are read here, in one query, so that only this thread uses the settings.
    auto alias = registro_.LeerTodosLosAlias().valor_o({});
    // Into an empty table a long list is shown as it comes; a reload keeps the rows shown (and
    // the current one) until the new ones are all read, and keeps them if the reading fails.
    const bool porPartes = tabla_.TotalFilas() == 0;
    fondo_.EjecutarPorPartes<Preparadas>(
        this,
        [fabrica = almacen_, alias = std::move(alias), ahora, porPartes, generacion,
         vigente = vigente_, cancelar = fondo_.Cancelacion()](
            const std::function<void(Preparadas)>& entregar) -> Hecho {
            auto almacen = fabrica();
            std::vector<DatosCertificado> todos;
            int id = 0;
            auto leido = almacen->LeerPorPartes(
                porPartes ? kPrimeraParte : 0, [&](std::vector<DatosCertificado> certificados) {
                    // A newer load, or the program's end, makes the rest worthless.
                    if (vigente->load() != generacion || cancelar->load()) return false;
                    if (!porPartes) {
                        std::move(certificados.begin(), certificados.end(),
                                  std::back_inserter(todos));
                        return true;
                    }
                    const int n = static_cast<int>(certificados.size());
                    entregar(TTablaCertificados::Preparar(
                        FilasDeAlmacen(certificados, alias, ahora, id)));
                    id += n;
                    return true;
                });
            if (!leido) return leido;
            if (!porPartes) {
                entregar(TTablaCertificados::Preparar(FilasDeAlmacen(todos, alias, ahora)));
            }
            return {};
        },
        alParte, fin);
}

}  // namespace marlevanta
