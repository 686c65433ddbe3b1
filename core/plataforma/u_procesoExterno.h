// Starting another program and waiting for it. Standard C++ only, so that the Windows back-end
// needs nothing but Win32.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

class ProcesoExterno {
public:
    virtual ~ProcesoExterno() = default;
    // Waits at most `espera` without using the processor; true once the program has ended.
    virtual bool Terminado(std::chrono::milliseconds espera) = 0;
    // Its exit code once it has ended; -1 when it did not end by itself.
    virtual int CodigoSalida() const = 0;
    // What it wrote on its standard error, when it was started to capture it; complete once it
    // has ended.
    virtual std::string SalidaError() const = 0;
};

class IniciadorProcesos {
public:
    virtual ~IniciadorProcesos() = default;
    // Starts `ejecutable` (looked up on PATH when it has no folder) with these arguments, each
    // received by the program exactly as given; no shell is involved. With `capturarError` its
    // standard error is kept for SalidaError instead of going to ours.
    virtual Resultado<std::unique_ptr<ProcesoExterno>> Iniciar(
        const std::string& ejecutable, const std::vector<std::string>& argumentos,
        bool capturarError) = 0;
    Resultado<std::unique_ptr<ProcesoExterno>> Iniciar(const std::string& ejecutable,
                                                       const std::vector<std::string>& argumentos) {
        return Iniciar(ejecutable, argumentos, false);
    }
    // The first of `nombres` found on PATH (or given with its folder), with its folder; "" when
    // none is.
    virtual std::string BuscarEnPath(const std::vector<std::string>& nombres) = 0;
};

}  // namespace marlevanta
