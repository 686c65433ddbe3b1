// Starting another program and waiting for it. Standard C++ only, so that the Windows back-end
// needs nothing but Win32.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace marlevanta {

class ProcesoExterno {
public:
    virtual ~ProcesoExterno() = default;
    // Waits at most `espera`; true once the program has ended.
    virtual bool Terminado(std::chrono::milliseconds espera) = 0;
    virtual int CodigoSalida() const = 0;
};

// Starts `ejecutable` (looked up on PATH when it has no folder) with these arguments, without a
// shell. nullptr when it cannot be started; `error` then says why.
std::unique_ptr<ProcesoExterno> IniciarProceso(const std::string& ejecutable,
                                               const std::vector<std::string>& argumentos,
                                               std::string& error);

// The first of `nombres` found on PATH, with its folder; "" when none is.
std::string BuscarEnPath(const std::vector<std::string>& nombres);

}  // namespace marlevanta
