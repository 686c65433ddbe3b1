// The Windows back-end: the version resource and last-write time of an executable file, the
// running one unless another is named.
#include "platform/windows/u_archivoProgramaWin.h"

#include <windows.h>

#include <vector>

#include "platform/u_sistema.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

namespace {

std::wstring RutaPropia() {
    std::wstring ruta(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
        if (n == 0) return {};
        if (n < ruta.size()) {
            ruta.resize(n);
            return ruta;
        }
        ruta.resize(ruta.size() * 2);
    }
}

class ArchivoWin : public ArchivoPrograma {
public:
    explicit ArchivoWin(std::wstring ruta) : ruta_(std::move(ruta)) {}

    Resultado<VersionArchivo> Version() const override {
        DWORD nada = 0;
        const DWORD tam = GetFileVersionInfoSizeW(ruta_.c_str(), &nada);
        if (tam == 0) return Falla("El programa no tiene número de versión.");
        std::vector<BYTE> buffer(tam);
        if (!GetFileVersionInfoW(ruta_.c_str(), 0, tam, buffer.data())) {
            return Falla(TextoError(GetLastError()));
        }
        VS_FIXEDFILEINFO* info = nullptr;
        UINT largo = 0;
        if (!VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&info), &largo) ||
            !info) {
            return Falla("El programa no tiene número de versión.");
        }
        return VersionArchivo{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                              HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
    }

    Resultado<std::chrono::system_clock::time_point> UltimaEscritura() const override {
        HANDLE h = CreateFileW(ruta_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return FalloFecha(GetLastError());
        FILETIME escrito{};
        const BOOL ok = GetFileTime(h, nullptr, nullptr, &escrito);
        const DWORD error = GetLastError();
        CloseHandle(h);
        if (!ok) return FalloFecha(error);
        // FILETIME counts 100 ns from 1601-01-01; the Unix epoch is 11644473600 s later.
        const ULONGLONG t =
            (static_cast<ULONGLONG>(escrito.dwHighDateTime) << 32) | escrito.dwLowDateTime;
        const auto desdeUnix = std::chrono::duration<long long, std::ratio<1, 10000000>>(
            static_cast<long long>(t) - 116444736000000000LL);
        return std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(desdeUnix));
    }

private:
    Fallo FalloFecha(DWORD codigo) const {
        return Falla("No se puede leer la fecha de \"" + Estrecho(ruta_) +
                     "\": " + TextoError(codigo));
    }

    std::wstring ruta_;
};

}  // namespace

std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma(const std::string& ruta) {
    return std::make_unique<ArchivoWin>(Ancho(ruta));
}

std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma() {
    return std::make_unique<ArchivoWin>(RutaPropia());
}

}  // namespace marlevanta
