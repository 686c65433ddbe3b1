// The search box's filter language: any text either compiles or fails with a reason, and a
// compiled expression evaluates on any row, without a crash, a hang or unbounded recursion, and
// the same whether row by row or all rows at once.
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
    RegistroCertificado otro = r;
    otro.id = 8;
    otro.emitido_para = texto.left(8);
    otro.alias = texto.left(8);
    otro.email = texto.left(8);
    // The index's evaluation of all rows at once must agree with the plain one of each row.
    const std::vector<RegistroCertificado> filas = {r, otro, RegistroCertificado{}};
    std::vector<char> pasa(filas.size(), 1);
    expresion->Seleccionar(IndiceFiltro(filas), pasa);
    for (size_t i = 0; i < filas.size(); ++i) {
        if ((pasa[i] != 0) != expresion->Evaluar(filas[i])) __builtin_trap();
    }
    return 0;
}
