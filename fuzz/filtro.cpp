// The search box's filter language: any text either compiles or fails with a reason, and a
// compiled expression evaluates on any row, without a crash, a hang or unbounded recursion.
#include <cstddef>
#include <cstdint>

#include "core/u_expresionFiltro.h"

using namespace marlevanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
    const QString texto =
        QString::fromUtf8(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(n));
    auto expresion = ExpresionFiltro::Compilar(texto);
    if (!expresion) {
        if (expresion.motivo().empty()) __builtin_trap();  // a failure always says why
        return 0;
    }
    RegistroCertificado r;
    r.id = 7;
    r.emitido_para = QStringLiteral("PÉREZ GARCÍA ANA - 12345678Z");
    r.alias = QStringLiteral("Gestoría");
    r.emitido_por = QStringLiteral("AC FNMT Usuarios");
    r.fecha_emision = QDate(2023, 3, 7);
    r.fecha_caducidad = QDate(2027, 3, 7);
    r.propositos = QStringLiteral("Autenticación del cliente");
    r.email = QStringLiteral("ana@example.com");
    r.key_for_alias = QStringLiteral("ABCDEF");
    TextosPlegados plegados;
    for (int i = 0; i < kNumTextos; ++i) plegados[static_cast<size_t>(i)] = Plegar(texto.left(8));
    (void)expresion->Evaluar(r, plegados);
    (void)expresion->Evaluar(RegistroCertificado{}, TextosPlegados{});
    return 0;
}
