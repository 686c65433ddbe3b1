// Generated certificate data for the benchmarks: Spanish names, dates around today.
#pragma once

#include <QDate>
#include <QDateTime>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/plataforma/u_almacenCertificados.h"

namespace bench {

inline std::string FechaRfc822(const QDate& d) {
    static const char* meses[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char b[40];
    std::snprintf(b, sizeof b, "Mon, %02d %s %04d 10:00:00 GMT", d.day(), meses[d.month() - 1],
                  d.year());
    return b;
}

inline std::vector<marlevanta::DatosCertificado> Certificados(int n) {
    static const char* apellidos[] = {"GARCÍA", "LÓPEZ", "MARTÍNEZ", "SÁNCHEZ", "PÉREZ",
                                      "GÓMEZ",  "NÚÑEZ", "ÁLVAREZ",  "IBÁÑEZ",  "MUÑOZ",
                                      "RUIZ",   "DÍAZ",  "MORENO",   "ORTEGA"};
    static const char* nombres[] = {"ANA",   "JOSÉ",  "MARÍA", "LUCÍA",
                                    "ÍÑIGO", "PABLO", "ELENA", "RAÚL"};
    std::mt19937 azar(7);
    const QDate hoy = QDate::currentDate();
    std::vector<marlevanta::DatosCertificado> r;
    r.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        marlevanta::DatosCertificado d;
        d.emitidoPara = std::string(apellidos[azar() % 14]) + " " + apellidos[azar() % 14] + " " +
                        nombres[azar() % 8] + " - " + std::to_string(10000000 + azar() % 89999999) +
                        "Z";
        d.emitidoPor = "AC FNMT Usuarios";
        d.validoDesde = FechaRfc822(hoy.addDays(-static_cast<int>(azar() % 1000)));
        d.validoHasta = FechaRfc822(hoy.addDays(static_cast<int>(azar() % 1400) - 200));
        char huella[41];
        std::snprintf(huella, sizeof huella, "%040X", i);
        d.huella = huella;
        d.usosExtendidos = (i % 10 == 0) ? "" : "clientAuth,emailProtection";
        d.email = "cliente" + std::to_string(i) + "@correo.example";
        r.push_back(std::move(d));
    }
    return r;
}

// A certificate store held in memory, standing in for the user's NSS database in benchmarks
// that measure the window rather than NSS.
class AlmacenEnMemoria : public marlevanta::AlmacenCertificados {
public:
    explicit AlmacenEnMemoria(int n) : datos_(Certificados(n)) {}
    marlevanta::Resultado<std::vector<marlevanta::DatosCertificado>> LeerCertificados() override {
        return datos_;
    }

private:
    std::vector<marlevanta::DatosCertificado> datos_;
};

}  // namespace bench
