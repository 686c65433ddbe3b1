// The Windows back-end of RegistroUsuario: the registry below HKEY_CURRENT_USER.
#include <windows.h>

#include <vector>

#include "core/plataforma/u_registroUsuario.h"
#include "platform/u_sistema.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

namespace {

std::wstring Ruta(const std::string& ruta) {
    std::wstring r = Ancho(ruta);
    while (!r.empty() && r.front() == L'\\') r.erase(r.begin());
    return r;
}

class ClaveWin : public ClaveRegistro {
public:
    explicit ClaveWin(HKEY clave) : clave_(clave) {}
    ~ClaveWin() override {
        if (clave_) RegCloseKey(clave_);
    }

    bool ExisteValor(const std::string& nombre) override {
        return RegQueryValueExW(clave_, Ancho(nombre).c_str(), nullptr, nullptr, nullptr,
                                nullptr) == ERROR_SUCCESS;
    }

    Resultado<std::string> LeerTexto(const std::string& nombre) override {
        const std::wstring n = Ancho(nombre);
        DWORD tipo = 0;
        DWORD bytes = 0;
        LSTATUS r = RegQueryValueExW(clave_, n.c_str(), nullptr, &tipo, nullptr, &bytes);
        if (r == ERROR_FILE_NOT_FOUND) return std::string();
        if (r != ERROR_SUCCESS) return Falla(TextoError(static_cast<DWORD>(r)));
        if (tipo != REG_SZ && tipo != REG_EXPAND_SZ) return Falla(TextoErrorTipo(nombre));
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        r = RegQueryValueExW(clave_, n.c_str(), nullptr, &tipo,
                             reinterpret_cast<BYTE*>(buffer.data()), &bytes);
        if (r != ERROR_SUCCESS) return Falla(TextoError(static_cast<DWORD>(r)));
        size_t largo = 0;
        while (largo < buffer.size() && buffer[largo] != L'\0') ++largo;
        return Estrecho(buffer.data(), largo);
    }

    Resultado<std::map<std::string, std::string>> LeerTextos() override {
        std::map<std::string, std::string> valores;
        for (DWORD i = 0;; ++i) {
            wchar_t nombre[16384];
            DWORD largo = 16384;
            DWORD tipo = 0;
            const LSTATUS r =
                RegEnumValueW(clave_, i, nombre, &largo, nullptr, &tipo, nullptr, nullptr);
            if (r == ERROR_NO_MORE_ITEMS) break;
            if (r != ERROR_SUCCESS) return Falla(TextoError(static_cast<DWORD>(r)));
            if (tipo != REG_SZ && tipo != REG_EXPAND_SZ) continue;
            const std::string n = Estrecho(nombre, largo);
            auto texto = LeerTexto(n);
            if (!texto) return Fallo{texto.motivo()};
            valores[MayusculasAscii(n)] = *texto;
        }
        return valores;
    }

    Hecho EscribirTexto(const std::string& nombre, const std::string& valor) override {
        const std::wstring v = Ancho(valor);
        const DWORD bytes = static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t));
        const LSTATUS r = RegSetValueExW(clave_, Ancho(nombre).c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(v.c_str()), bytes);
        if (r != ERROR_SUCCESS) {
            return Falla(TextoErrorEscritura(nombre) + ": " + TextoError(static_cast<DWORD>(r)));
        }
        return {};
    }

    Hecho Cerrar() override {
        if (!clave_) return {};
        const LSTATUS r = RegCloseKey(clave_);
        clave_ = nullptr;
        if (r != ERROR_SUCCESS) return Falla(TextoError(static_cast<DWORD>(r)));
        return {};
    }

private:
    HKEY clave_;
};

class RegistroWin : public RegistroUsuario {
public:
    std::string Ubicacion() const override {
        return "HKEY_CURRENT_USER\\Software\\Velquorin\\marlevanta";
    }

    Resultado<std::unique_ptr<ClaveRegistro>> AbrirEscritura(const std::string& ruta) override {
        HKEY clave = nullptr;
        const LSTATUS r =
            RegCreateKeyExW(HKEY_CURRENT_USER, Ruta(ruta).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &clave, nullptr);
        if (r != ERROR_SUCCESS) return Falla(TextoError(static_cast<DWORD>(r)));
        return std::unique_ptr<ClaveRegistro>(std::make_unique<ClaveWin>(clave));
    }

    Resultado<std::unique_ptr<ClaveRegistro>> AbrirLectura(const std::string& ruta) override {
        HKEY clave = nullptr;
        const LSTATUS r = RegOpenKeyExW(HKEY_CURRENT_USER, Ruta(ruta).c_str(), 0, KEY_READ, &clave);
        if (r == ERROR_FILE_NOT_FOUND) return std::unique_ptr<ClaveRegistro>();
        if (r != ERROR_SUCCESS) return Falla(TextoError(static_cast<DWORD>(r)));
        return std::unique_ptr<ClaveRegistro>(std::make_unique<ClaveWin>(clave));
    }

    Resultado<bool> BorrarArbol(const std::string& ruta) override {
        const LSTATUS r = RegDeleteTreeW(HKEY_CURRENT_USER, Ruta(ruta).c_str());
        if (r == ERROR_FILE_NOT_FOUND) return false;
        if (r != ERROR_SUCCESS) return Falla(TextoError(static_cast<DWORD>(r)));
        return true;
    }
};

}  // namespace

std::unique_ptr<RegistroUsuario> CrearRegistroUsuario() {
    return std::make_unique<RegistroWin>();
}

}  // namespace marlevanta
