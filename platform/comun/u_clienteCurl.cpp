#include "core/plataforma/u_clienteHttp.h"
#include "platform/u_sistema.h"

#include <curl/curl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace marlevanta {

namespace {

struct Estado {
    std::string* cuerpo = nullptr;
    std::FILE* archivo = nullptr;
    const ClienteHttp::Progreso* progreso = nullptr;
    std::uint64_t recibidos = 0;
    std::uint64_t total = 0;
    std::uint64_t maximo = 0;
    std::string lineaEstado;
    bool demasiado = false;
    bool cancelado = false;
    bool extendido = false;
    const std::atomic<bool>* cancelar = nullptr;
    const std::atomic<bool>* detener = nullptr;
};

size_t Cabecera(char* datos, size_t, size_t n, void* usuario) {
    auto* e = static_cast<Estado*>(usuario);
    std::string linea(datos, n);
    while (!linea.empty() && (linea.back() == '\r' || linea.back() == '\n')) linea.pop_back();
    // Each answer (also a 100 Continue) starts with its status line; keep the last one.
    if (linea.rfind("HTTP/", 0) == 0) e->lineaEstado = linea;
    return n;
}

size_t Cuerpo(char* datos, size_t, size_t n, void* usuario) {
    auto* e = static_cast<Estado*>(usuario);
    // An answer without a length, or longer than it said, stops here whatever it goes to.
    if (e->recibidos + n > e->maximo) {
        e->demasiado = true;
        return 0;
    }
    if (e->cuerpo) {
        e->cuerpo->append(datos, n);
    } else {
        if (std::fwrite(datos, 1, n, e->archivo) != n) return 0;
    }
    e->recibidos += n;
    return n;
}

int Avance(void* usuario, curl_off_t total, curl_off_t, curl_off_t, curl_off_t) {
    auto* e = static_cast<Estado*>(usuario);
    if ((e->cancelar && e->cancelar->load()) || (e->detener && e->detener->load())) {
        e->cancelado = true;
        return 1;
    }
    if (!e->archivo || !e->progreso) return 0;
    if (total > 0 && static_cast<std::uint64_t>(total) > e->maximo) {
        e->demasiado = true;
        return 1;
    }
    if (total > 0 && !e->extendido) {
        // The file's size is the total while the transfer runs.
        e->extendido = true;
        e->total = static_cast<std::uint64_t>(total);
        std::fflush(e->archivo);
        if (ftruncate(fileno(e->archivo), static_cast<off_t>(total)) != 0) return 1;
    }
    if (!(*e->progreso)(e->recibidos, e->total)) {
        e->cancelado = true;
        return 1;
    }
    return 0;
}

struct InicioCurl {
    InicioCurl() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

class ClienteCurl : public ClienteHttp {
public:
    explicit ClienteCurl(OpcionesHttp opciones) : opciones_(std::move(opciones)) {
        static InicioCurl inicio;
        curl_ = curl_easy_init();
    }
    ~ClienteCurl() override { curl_easy_cleanup(curl_); }
    ClienteCurl(const ClienteCurl&) = delete;
    ClienteCurl& operator=(const ClienteCurl&) = delete;

    Resultado<std::string> Get(const std::string& url) override;
    Hecho Descargar(const std::string& url, std::FILE* archivo, const Progreso& progreso) override;

private:
    Hecho Ejecutar(const std::string& url, Estado& estado);

    OpcionesHttp opciones_;
    CURL* curl_;
};

Hecho ClienteCurl::Ejecutar(const std::string& url, Estado& e) {
    CURL* c = curl_;
    if (!c) return Falla("HTTP client unavailable");
    e.cancelar = opciones_.cancelar.get();
    e.detener = opciones_.detener.get();
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, kAgenteUsuario);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_SSLVERSION, CURL_SSLVERSION_TLSv1_2);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* ca = std::getenv("SSL_CERT_FILE"); ca && *ca)
        curl_easy_setopt(c, CURLOPT_CAINFO, ca);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, opciones_.segundosConexion);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, opciones_.bytesPorSegundoMinimo);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, opciones_.segundosSinDatos);
    // A server that trickles its answer cannot hold anything for longer than this.
    curl_easy_setopt(c, CURLOPT_TIMEOUT, opciones_.segundosTotal);
    // A longer announced length is refused before the body, so before anything is written.
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(e.maximo));
    curl_slist* cabeceras = curl_slist_append(nullptr, ("Accept: " + opciones_.accept).c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabeceras);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, Cabecera);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &e);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Cuerpo);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &e);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Avance);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &e);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    const CURLcode r = curl_easy_perform(c);
    curl_slist_free_all(cabeceras);
    long estado = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &estado);
    if (r == CURLE_OK && estado >= 200 && estado < 300) return {};
    if (r == CURLE_OK || r == CURLE_HTTP_RETURNED_ERROR) {
        // An error status, or a redirect, which is not followed.
        return Falla(e.lineaEstado.empty() ? "HTTP " + std::to_string(estado) : e.lineaEstado);
    }
    if (r == CURLE_COULDNT_RESOLVE_HOST) return Falla("Host not found");
    if (e.demasiado || r == CURLE_FILESIZE_EXCEEDED) return Falla("Answer too large");
    if (e.cancelado) return Falla("Cancelled");
    if (r == CURLE_OPERATION_TIMEDOUT) return Falla("Timed out");
    return Falla(curl_easy_strerror(r));
}

Resultado<std::string> ClienteCurl::Get(const std::string& url) {
    std::string cuerpo;
    Estado e;
    e.cuerpo = &cuerpo;
    e.maximo = opciones_.maximoBytes;
    if (auto r = Ejecutar(url, e); !r) return Fallo{r.motivo()};
    return cuerpo;
}

Hecho ClienteCurl::Descargar(const std::string& url, std::FILE* archivo, const Progreso& progreso) {
    Estado e;
    e.archivo = archivo;
    e.progreso = &progreso;
    e.maximo = opciones_.maximoBytes;
    auto r = Ejecutar(url, e);
    std::fflush(archivo);
    if (r && e.extendido && e.recibidos != e.total) {
        return Falla("Transfer ended before the announced length");
    }
    return r;
}

}  // namespace

#ifdef MARLEVANTA_MODULO_HTTP
// The module's one entry, looked up by name when the module is loaded.
extern "C" __attribute__((visibility("default"))) ClienteHttp* marlevanta_cliente_http(
    const OpcionesHttp* opciones) {
    return new ClienteCurl(*opciones);
}
#else
std::unique_ptr<ClienteHttp> CrearClienteHttp(const OpcionesHttp& opciones) {
    return std::make_unique<ClienteCurl>(opciones);
}
#endif

}  // namespace marlevanta
