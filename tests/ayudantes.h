#pragma once

#include <QTemporaryDir>
#include <string>
#include <vector>

namespace prueba {

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

}  // namespace prueba
