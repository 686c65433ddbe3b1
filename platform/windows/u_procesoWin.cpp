// The Windows back-end: ShellExecuteExW with the process handle, WaitForSingleObject.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include "core/plataforma/u_procesoExterno.h"
#include "platform/u_sistema.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

namespace {

class ProcesoWin : public ProcesoExterno {
public:
    explicit ProcesoWin(HANDLE h) : h_(h) {}
    ~ProcesoWin() override { CloseHandle(h_); }
    bool Terminado(std::chrono::milliseconds espera) override {
        if (WaitForSingleObject(h_, static_cast<DWORD>(espera.count())) == WAIT_TIMEOUT)
            return false;
        DWORD codigo = 0;
        codigo_ = GetExitCodeProcess(h_, &codigo) ? static_cast<int>(codigo) : -1;
        return true;
    }
    int CodigoSalida() const override { return codigo_; }
    // A program started through the shell (and elevated with "runas") shares no pipe with us.
    std::string SalidaError() const override { return {}; }

private:
    HANDLE h_;
    int codigo_ = -1;
};

// One argument of a command line, written so that CommandLineToArgvW (and the C runtime of almost
// every program) gives it back unchanged: quoted when it holds white space or a quote, a quote
// inside escaped, backslashes doubled only where they come before a quote. Also quoted when it
// holds a character that cmd.exe acts on: inside quotes cmd.exe takes & | < > ^ as they are, and a
// %variable% it expands stays inside the one argument whatever it expands to.
std::wstring Citar(const std::wstring& a) {
    if (!a.empty() && a.find_first_of(L" \t\n\v\"%&|<>^()") == std::wstring::npos) return a;
    std::wstring r = L"\"";
    for (auto it = a.begin();; ++it) {
        size_t barras = 0;
        while (it != a.end() && *it == L'\\') {
            ++it;
            ++barras;
        }
        if (it == a.end()) {
            // The closing quote must not be escaped.
            r.append(barras * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            r.append(barras * 2 + 1, L'\\');
        } else {
            r.append(barras, L'\\');
        }
        r += *it;
    }
    r += L'"';
    return r;
}

class IniciadorWin : public IniciadorProcesos {
public:
    std::string BuscarEnPath(const std::vector<std::string>& nombres) override {
        for (const auto& n : nombres) {
            wchar_t ruta[MAX_PATH];
            if (SearchPathW(nullptr, Ancho(n).c_str(), L".exe", MAX_PATH, ruta, nullptr) > 0) {
                return Estrecho(std::wstring(ruta));
            }
        }
        return {};
    }

    using IniciadorProcesos::Iniciar;
    Resultado<std::unique_ptr<ProcesoExterno>> Iniciar(const std::string& ejecutable,
                                                       const std::vector<std::string>& argumentos,
                                                       bool /*capturarError*/) override {
        std::wstring parametros;
        for (const auto& a : argumentos) {
            if (!parametros.empty()) parametros += L' ';
            parametros += Citar(Ancho(a));
        }
        const std::wstring archivo = Ancho(ejecutable);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        // The caller reports a failure in its own words, and may be on a thread without a window
        // to own a system dialog.
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpFile = archivo.c_str();
        info.lpParameters = parametros.c_str();
        info.nShow = SW_MINIMIZE;
        if (!ShellExecuteExW(&info) || !info.hProcess) {
            return Falla("No se puede ejecutar \"" + ejecutable +
                         "\": " + TextoError(GetLastError()));
        }
        return std::unique_ptr<ProcesoExterno>(std::make_unique<ProcesoWin>(info.hProcess));
    }
};

}  // namespace

std::shared_ptr<IniciadorProcesos> CrearIniciadorProcesos() {
    return std::make_shared<IniciadorWin>();
}

}  // namespace marlevanta
