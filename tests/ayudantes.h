#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/plataforma/u_almacenCertificados.h"

namespace prueba {

// Waits, handling events, until `listo` holds or `ms` milliseconds have passed; says which.
// Tests wait for the event itself, never a fixed time assumed long enough: a loaded machine
// may take many times longer.
// Runs the test under way again, in a process of its own, as an unprivileged user: root may
// write anywhere, so only such a user meets a folder that is not theirs. Its HOME is a fresh
// folder of that user; `entorno` adds to what it inherits. The test program runs from a copy
// that user can reach, wherever the checkout is (a home only its owner may enter, say).
void RepetirComoNadie(const QProcessEnvironment& entorno = {});

inline bool EsperarQue(const std::function<bool()>& listo, int ms = 30000) {
    QElapsedTimer reloj;
    reloj.start();
    while (!listo()) {
        if (reloj.elapsed() > ms) return listo();
        QTest::qWait(10);
    }
    return true;
}

// Runs a command through the shell; returns its standard output, fails the test on error.
std::string Ejecutar(const std::string& orden);

std::string Script(const std::string& nombre);

// Sets an environment variable for the life of the object.
class Entorno {
public:
    Entorno(const char* nombre, const std::string& valor);
    ~Entorno();
    Entorno(const Entorno&) = delete;
    Entorno& operator=(const Entorno&) = delete;

private:
    std::string nombre_;
    bool habia_;
    std::string anterior_;
};

// A browser that holds a profile, for the checks that look for one: a sleeping process run
// through a link named `ruta` (a name with "chrom" in it), seen by the system under that name
// before the constructor returns, and killed with the object.
class NavegadorVivo {
public:
    explicit NavegadorVivo(const std::string& ruta);
    ~NavegadorVivo();
    qint64 pid() const { return p_.processId(); }
    // The lock a browser leaves in the profile it holds, naming this process.
    void Bloquear(const std::string& perfil) const;

private:
    QProcess p_;
};

// A real NSS database made with openssl, certutil and pk12util in a temporary HOME.
struct BaseNss {
    QTemporaryDir home;
    std::string directorio;                                         // $HOME/.pki/nssdb
    std::vector<std::pair<std::string, std::string>> certificados;  // nickname, SHA-1
};
const BaseNss& BaseNssCompartida();

// The PKCS#12 files that crear_p12.sh makes (see there), made once for all tests.
const std::string& CarpetaP12();

// What `openssl x509` says of a PEM certificate, given its options ("-noout -serial").
std::string OpenSsl(const std::string& pem, const std::string& opciones);

// A store certificate valid until `hasta` (at noon UTC; an invalid date gives an unreadable
// one), issued by "AC Pruebas", its SHA-256 being `huella` + "256".
marlevanta::DatosCertificado Certificado(const std::string& nombre, const QDate& hasta,
                                         const std::string& huella);
// The validity text the store gives, for a day at noon UTC.
std::string Rfc822(const QDate& dia);

// A store that always gives the same answer.
class AlmacenFijo : public marlevanta::AlmacenCertificados {
public:
    explicit AlmacenFijo(marlevanta::Resultado<std::vector<marlevanta::DatosCertificado>> r)
        : r_(std::move(r)) {}
    marlevanta::Resultado<std::vector<marlevanta::DatosCertificado>> LeerCertificados() override {
        return r_;
    }

private:
    marlevanta::Resultado<std::vector<marlevanta::DatosCertificado>> r_;
};

// A TCP port of 127.0.0.1 that nobody listens on now.
int PuertoLibre();
// `s` as one word for the shell, whatever it holds.
std::string Citado(const std::string& s);
// The fingerprint of a PEM certificate, upper-case hexadecimal without colons ("sha1", "sha256").
std::string HuellaPem(const std::string& pem, const std::string& algoritmo);
// Every file of the folder with its SHA-256: a file added, removed or changed shows.
std::map<std::string, std::string> HuellasArchivos(const std::string& carpeta);
// A Firefox profile's NSS database made in `carpeta` as Firefox makes it, guarded by `contrasena`
// ("" for none), holding these files of CarpetaP12() (name without ".p12", password).
void BaseFirefox(const std::string& carpeta, const std::string& contrasena,
                 const std::vector<std::pair<std::string, std::string>>& p12);

}  // namespace prueba
