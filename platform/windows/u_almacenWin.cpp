// The Windows back-end: the CryptoAPI system store "MY" of the current user.
#include <windows.h>
// wincrypt.h needs the types of windows.h first.
#include <wincrypt.h>

#include <cstdio>
#include <vector>

#include "core/plataforma/u_almacenCertificados.h"
#include "core/plataforma/u_detallesCertificado.h"
#include "platform/u_sistema.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

namespace {

std::string FechaRfc822(const FILETIME& ft) {
    static const char* dias[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* meses[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&ft, &st)) return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %02u %s %04u %02u:%02u:%02u GMT",
                  dias[st.wDayOfWeek % 7], st.wDay, meses[(st.wMonth + 11) % 12], st.wYear,
                  st.wHour, st.wMinute, st.wSecond);
    return buffer;
}

std::string Nombre(PCCERT_CONTEXT ctx, DWORD tipo, DWORD flags, void* param) {
    const DWORD n = CertGetNameStringW(ctx, tipo, flags, param, nullptr, 0);
    if (n <= 1) return {};
    std::wstring r(n, L'\0');
    CertGetNameStringW(ctx, tipo, flags, param, r.data(), n);
    r.resize(n - 1);
    return Estrecho(r);
}

std::string UsosExtendidos(PCCERT_CONTEXT ctx) {
    DWORD bytes = 0;
    if (!CertGetEnhancedKeyUsage(ctx, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, nullptr, &bytes)) {
        return {};
    }
    std::vector<BYTE> buffer(bytes);
    auto* uso = reinterpret_cast<PCERT_ENHKEY_USAGE>(buffer.data());
    if (!CertGetEnhancedKeyUsage(ctx, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, uso, &bytes)) return {};
    std::string r;
    for (DWORD i = 0; i < uso->cUsageIdentifier; ++i) {
        if (!r.empty()) r += ',';
        r += NombreUsoExtendido(uso->rgpszUsageIdentifier[i]);
    }
    return r;
}

std::string Huella(PCCERT_CONTEXT ctx) {
    BYTE sha1[20];
    DWORD bytes = sizeof sha1;
    if (!CertGetCertificateContextProperty(ctx, CERT_SHA1_HASH_PROP_ID, sha1, &bytes)) return {};
    return HexMayusculas(sha1, bytes);
}

std::string HuellaSha256(PCCERT_CONTEXT ctx) {
    BYTE sha256[32];
    DWORD bytes = sizeof sha256;
    if (!CryptHashCertificate2(L"SHA256", 0, nullptr, ctx->pbCertEncoded, ctx->cbCertEncoded,
                               sha256, &bytes)) {
        return {};
    }
    return HexMayusculas(sha256, bytes);
}

class AlmacenWin : public AlmacenCertificados {
public:
    Resultado<std::vector<DatosCertificado>> LeerCertificados() override {
        std::vector<DatosCertificado> certificados;
        HCERTSTORE almacen =
            CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                          CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG |
                              CERT_STORE_OPEN_EXISTING_FLAG,
                          L"MY");
        if (!almacen) {
            return Falla("No se puede abrir el almacén de certificados personal: " +
                         TextoError(GetLastError()));
        }
        PCCERT_CONTEXT ctx = nullptr;
        while ((ctx = CertEnumCertificatesInStore(almacen, ctx)) != nullptr) {
            DWORD bytes = 0;
            if (!CertGetCertificateContextProperty(ctx, CERT_KEY_PROV_INFO_PROP_ID, nullptr,
                                                   &bytes)) {
                continue;
            }
            DatosCertificado d;
            d.validoDesde = FechaRfc822(ctx->pCertInfo->NotBefore);
            d.validoHasta = FechaRfc822(ctx->pCertInfo->NotAfter);
            d.emitidoPara =
                Nombre(ctx, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME));
            d.emitidoPor = Nombre(ctx, CERT_NAME_ATTR_TYPE, CERT_NAME_ISSUER_FLAG,
                                  const_cast<char*>(szOID_COMMON_NAME));
            d.huella = Huella(ctx);
            d.huellaSha256 = HuellaSha256(ctx);
            d.usosExtendidos = UsosExtendidos(ctx);
            d.email = Nombre(ctx, CERT_NAME_EMAIL_TYPE, 0, nullptr);
            certificados.push_back(std::move(d));
        }
        CertCloseStore(almacen, 0);
        return certificados;
    }
};

}  // namespace

std::unique_ptr<AlmacenCertificados> CrearAlmacenCertificados() {
    return std::make_unique<AlmacenWin>();
}

}  // namespace marlevanta
