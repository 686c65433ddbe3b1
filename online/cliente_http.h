// The program's HTTP client, on libcurl: GET only, redirects not followed, the server's
// certificate verified (TLS 1.2 or newer), limits on connecting, on stalls and on answer size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace marlevanta {

struct OpcionesHttp {
    std::string accept;
    long segundosConexion = 10;
    long segundosSinDatos = 20;           // a transfer that moves nothing for this long fails
    std::uint64_t maximoBytes = 1 << 20;  // answers read into memory only
};

inline constexpr const char* kAgenteUsuario = "Mozilla/4.0 (compatible; Marlevanta)";

class ClienteHttp {
public:
    explicit ClienteHttp(OpcionesHttp opciones);
    ~ClienteHttp();
    ClienteHttp(const ClienteHttp&) = delete;
    ClienteHttp& operator=(const ClienteHttp&) = delete;

    // The whole body. False with `error`: "Host not found", the status line of an error status
    // or a redirect, or a short description.
    bool Get(const std::string& url, std::string& cuerpo, std::string& error);

    // Writes the body into `archivo`, first extended to the announced length. `progreso` gets the
    // bytes received and the announced total (0 when unknown) and returns false to abort.
    using Progreso = std::function<bool(std::uint64_t recibidos, std::uint64_t total)>;
    bool Descargar(const std::string& url, std::FILE* archivo, const Progreso& progreso,
                   std::string& error);

    struct Estado;  // of one transfer, shared with libcurl's callbacks

private:
    bool Ejecutar(const std::string& url, Estado& estado, std::string& error);
    OpcionesHttp opciones_;
    void* curl_;
};

}  // namespace marlevanta
