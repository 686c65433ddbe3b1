// The Windows back-end: the policy keys below HKEY_CURRENT_USER (the managed policy is the only
// place here), and a run's turn held as a file opened without sharing in the user's local
// application data.
#include <windows.h>

#include "core/plataforma/u_almacenPoliticas.h"
#include "core/plataforma/u_registroUsuario.h"
#include "platform/u_sistema.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

namespace {

const char* Clave(Navegador navegador) {
    return navegador == Navegador::Edge
               ? "\\Software\\Policies\\Microsoft\\Edge\\AutoSelectCertificateForUrls"
               : "\\Software\\Policies\\Google\\Chrome\\AutoSelectCertificateForUrls";
}

class TurnoWin : public TurnoNavegador {
public:
    explicit TurnoWin(HANDLE h) : h_(h) {}
    ~TurnoWin() override { CloseHandle(h_); }

private:
    HANDLE h_;
};

class PoliticasRegistro : public AlmacenPoliticas {
public:
    bool AdmitePerfil() const override { return false; }

    Resultado<std::unique_ptr<TurnoNavegador>> Reservar(Navegador navegador) override {
        wchar_t base[MAX_PATH];
        const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return Falla("No se encuentra la carpeta LOCALAPPDATA.");
        std::wstring carpeta = std::wstring(base) + L"\\marlevanta";
        CreateDirectoryW(carpeta.c_str(), nullptr);
        const std::string clave = ClaveNavegador(navegador);
        const std::wstring ruta =
            carpeta + L"\\" + std::wstring(clave.begin(), clave.end()) + L".lock";
        // No sharing: a second copy cannot open it while this handle lives; a crash closes it.
        HANDLE h = CreateFileW(ruta.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD e = GetLastError();
            if (e == ERROR_SHARING_VIOLATION) {
                return Falla(std::string("Otra ventana de Marlevanta está usando ") +
                             Nombres(navegador).nombre +
                             ". Cierre ese navegador y vuelva a intentarlo.");
            }
            return Falla("No se puede reservar \"" + Estrecho(ruta) + "\": " + TextoError(e));
        }
        return std::unique_ptr<TurnoNavegador>(std::make_unique<TurnoWin>(h));
    }

    Hecho Escribir(Navegador navegador, LugarRegla lugar, const ReglaCertificado& r) override {
        if (navegador == Navegador::Firefox) {
            return Falla("En Windows, Marlevanta aún no abre Mozilla Firefox con un certificado.");
        }
        if (lugar == LugarRegla::Perfil) return Falla("El perfil no admite la regla aquí.");
        auto clave = registro_->AbrirEscritura(Clave(navegador));
        if (!clave) return Fallo{clave.motivo()};
        if (auto h = (*clave)->EscribirTexto("1", TextoPolitica(r)); !h) return h;
        return (*clave)->Cerrar();
    }
    Resultado<bool> Eliminar(Navegador navegador, LugarRegla lugar) override {
        if (lugar == LugarRegla::Perfil || navegador == Navegador::Firefox) return false;
        return registro_->BorrarArbol(Clave(navegador));
    }

private:
    std::unique_ptr<RegistroUsuario> registro_ = CrearRegistroUsuario();
};

}  // namespace

std::unique_ptr<AlmacenPoliticas> CrearAlmacenPoliticas() {
    return std::make_unique<PoliticasRegistro>();
}

}  // namespace marlevanta
