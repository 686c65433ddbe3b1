// The Windows back-end of RegistroUsuario: the registry below HKEY_CURRENT_USER.
#include <windows.h>

#include <vector>

#include "common/utf16_win.h"
#include "store/registry.h"

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
    ~ClaveWin() override { Cerrar(); }

    bool ExisteValor(const std::string& nombre) override {
        return RegQueryValueExW(clave_, Ancho(nombre).c_str(), nullptr, nullptr, nullptr,
                                nullptr) == ERROR_SUCCESS;
    }

    std::string LeerTexto(const std::string& nombre) override {
        const std::wstring n = Ancho(nombre);
        DWORD tipo = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(clave_, n.c_str(), nullptr, &tipo, nullptr, &bytes) != ERROR_SUCCESS) {
            return {};
        }
        if (tipo != REG_SZ && tipo != REG_EXPAND_SZ) throw ErrorRegistro(TextoErrorTipo(nombre));
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(clave_, n.c_str(), nullptr, &tipo,
                             reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS) {
            return {};
        }
        size_t largo = 0;
        while (largo < buffer.size() && buffer[largo] != L'\0') ++largo;
        return Estrecho(buffer.data(), largo);
    }

    void EscribirTexto(const std::string& nombre, const std::string& valor) override {
        const std::wstring v = Ancho(valor);
        const DWORD bytes = static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t));
        if (RegSetValueExW(clave_, Ancho(nombre).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(v.c_str()), bytes) != ERROR_SUCCESS) {
            throw ErrorRegistro(TextoErrorEscritura(nombre));
        }
    }

    bool Cerrar() override {
        if (!clave_) return true;
        const bool ok = RegCloseKey(clave_) == ERROR_SUCCESS;
        clave_ = nullptr;
        return ok;
    }

private:
    HKEY clave_;
};

class RegistroWin : public RegistroUsuario {
public:
    std::unique_ptr<ClaveRegistro> AbrirEscritura(const std::string& ruta) override {
        HKEY clave = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, Ruta(ruta).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &clave,
                            nullptr) != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<ClaveWin>(clave);
    }

    std::unique_ptr<ClaveRegistro> AbrirLectura(const std::string& ruta) override {
        HKEY clave = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Ruta(ruta).c_str(), 0, KEY_READ, &clave) !=
            ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<ClaveWin>(clave);
    }

    bool BorrarArbol(const std::string& ruta) override {
        return RegDeleteTreeW(HKEY_CURRENT_USER, Ruta(ruta).c_str()) == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<RegistroUsuario> CrearRegistroUsuario() {
    return std::make_unique<RegistroWin>();
}

}  // namespace marlevanta
