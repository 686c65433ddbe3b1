// The program's HTTP client: GET only, redirects not followed, the server's certificate verified
// (TLS 1.2 or newer), limits on connecting, on stalls, on the whole answer's time and size.
// Standard C++ only. One client serves one thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

struct OpcionesHttp {
    std::string accept;
    long segundosConexion = 10;
    // A transfer slower than `bytesPorSegundoMinimo` for this long fails.
    long segundosSinDatos = 20;
    long bytesPorSegundoMinimo = 1;
    // The whole answer, connection included; 0 for none (downloads, which keep moving).
    long segundosTotal = 30;
    // The longest answer, read into memory or written into a file: a longer announced length
    // fails before anything is written, and an answer that grows past it is cut.
    std::uint64_t maximoBytes = 1 << 20;
    // Set from another thread to stop the transfer at once: either of the two.
    std::shared_ptr<const std::atomic<bool>> cancelar;
    std::shared_ptr<const std::atomic<bool>> detener;
};

inline constexpr const char* kAgenteUsuario = "Mozilla/4.0 (compatible; Marlevanta)";

class ClienteHttp {
public:
    virtual ~ClienteHttp() = default;

    // The whole body. The failure: "Host not found", the status line of an error status or a
    // redirect, or a short description.
    virtual Resultado<std::string> Get(const std::string& url) = 0;

    // Writes the body into `archivo`, first extended to the announced length (never past
    // `maximoBytes`: the failure "Answer too large" comes first). `progreso` gets the bytes
    // received and the announced total (0 when unknown) and returns false to abort. What was
    // written of a failed download is the caller's to remove.
    using Progreso = std::function<bool(std::uint64_t recibidos, std::uint64_t total)>;
    virtual Hecho Descargar(const std::string& url, std::FILE* archivo,
                            const Progreso& progreso) = 0;
};

}  // namespace marlevanta
