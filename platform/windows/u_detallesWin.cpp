// The Windows back-end of a certificate's details: the certificate of the current user's "MY"
// store with that SHA-1 thumbprint, read with CryptoAPI.
#include <windows.h>
// wincrypt.h needs the types of windows.h first.
#include <wincrypt.h>

#include <algorithm>
#include <vector>

#include "core/plataforma/u_detallesCertificado.h"
#include "platform/u_sistema.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

namespace {

std::vector<BYTE> DeHex(const std::string& hex) {
    std::vector<BYTE> r;
    const auto valor = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int a = valor(hex[i]);
        const int b = valor(hex[i + 1]);
        if (a < 0 || b < 0) return {};
        r.push_back(static_cast<BYTE>(a * 16 + b));
    }
    return r;
}

std::int64_t Segundos(const FILETIME& ft) {
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<std::int64_t>((u.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

// RFC 4514's form, most specific part first.
std::string NombreDistinguido(const CERT_NAME_BLOB& nombre) {
    DWORD bytes = 0;
    if (!CryptDecodeObject(X509_ASN_ENCODING, X509_NAME, nombre.pbData, nombre.cbData, 0, nullptr,
                           &bytes)) {
        return {};
    }
    std::vector<BYTE> buffer(bytes);
    auto* info = reinterpret_cast<CERT_NAME_INFO*>(buffer.data());
    if (!CryptDecodeObject(X509_ASN_ENCODING, X509_NAME, nombre.pbData, nombre.cbData, 0, info,
                           &bytes)) {
        return {};
    }
    std::string r;
    for (DWORD i = info->cRDN; i-- > 0;) {
        if (!r.empty()) r += ',';
        const CERT_RDN& rdn = info->rgRDN[i];
        for (DWORD j = 0; j < rdn.cRDNAttr; ++j) {
            if (j > 0) r += '+';
            const CERT_RDN_ATTR& a = rdn.rgRDNAttr[j];
            const DWORD n = CertRDNValueToStrW(
                a.dwValueType, const_cast<CERT_RDN_VALUE_BLOB*>(&a.Value), nullptr, 0);
            std::wstring valor(n, L'\0');
            CertRDNValueToStrW(a.dwValueType, const_cast<CERT_RDN_VALUE_BLOB*>(&a.Value),
                               valor.data(), n);
            if (n > 0) valor.resize(n - 1);
            r += NombreAtributoDn(a.pszObjId) + '=' + ValorDnEscapado(Estrecho(valor));
        }
    }
    return r;
}

template <class T>
bool Decodificar(const CERT_EXTENSION* ext, LPCSTR tipo, std::vector<BYTE>& buffer, T*& r) {
    DWORD bytes = 0;
    if (!ext || !CryptDecodeObject(X509_ASN_ENCODING, tipo, ext->Value.pbData, ext->Value.cbData, 0,
                                   nullptr, &bytes)) {
        return false;
    }
    buffer.resize(bytes);
    if (!CryptDecodeObject(X509_ASN_ENCODING, tipo, ext->Value.pbData, ext->Value.cbData, 0,
                           buffer.data(), &bytes)) {
        return false;
    }
    r = reinterpret_cast<T*>(buffer.data());
    return true;
}

DetallesCertificado Leer(PCCERT_CONTEXT ctx) {
    const CERT_INFO* info = ctx->pCertInfo;
    DetallesCertificado d;
    d.sujeto = NombreDistinguido(info->Subject);
    d.emisor = NombreDistinguido(info->Issuer);
    // CryptoAPI keeps the serial number least significant byte first.
    std::vector<BYTE> serie(info->SerialNumber.pbData,
                            info->SerialNumber.pbData + info->SerialNumber.cbData);
    std::reverse(serie.begin(), serie.end());
    size_t inicio = 0;
    while (inicio + 1 < serie.size() && serie[inicio] == 0) ++inicio;
    d.numeroSerie = HexMayusculas(serie.data() + inicio, static_cast<DWORD>(serie.size() - inicio));
    d.validoDesde = Segundos(info->NotBefore);
    d.validoHasta = Segundos(info->NotAfter);

    static const char* kBits[] = {"digitalSignature", "nonRepudiation", "keyEncipherment",
                                  "dataEncipherment", "keyAgreement",   "keyCertSign",
                                  "cRLSign",          "encipherOnly",   "decipherOnly"};
    BYTE usos[2] = {0, 0};
    if (CertGetIntendedKeyUsage(X509_ASN_ENCODING, const_cast<CERT_INFO*>(info), usos, 2)) {
        for (unsigned b = 0; b < 9; ++b) {
            if (usos[b / 8] & (0x80 >> (b % 8))) d.usosClave.push_back(kBits[b]);
        }
    }
    std::vector<BYTE> buffer;
    CERT_ENHKEY_USAGE* eku = nullptr;
    if (Decodificar(
            CertFindExtension(szOID_ENHANCED_KEY_USAGE, info->cExtension, info->rgExtension),
            X509_ENHANCED_KEY_USAGE, buffer, eku)) {
        for (DWORD i = 0; i < eku->cUsageIdentifier; ++i) {
            d.usosExtendidos.push_back(NombreUsoExtendido(eku->rgpszUsageIdentifier[i]));
        }
    }
    CERT_ALT_NAME_INFO* alt = nullptr;
    if (Decodificar(CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension),
                    X509_ALTERNATE_NAME, buffer, alt)) {
        for (DWORD i = 0; i < alt->cAltEntry; ++i) {
            if (alt->rgAltEntry[i].dwAltNameChoice == CERT_ALT_NAME_RFC822_NAME) {
                d.correos.push_back(Estrecho(std::wstring(alt->rgAltEntry[i].pwszRfc822Name)));
            }
        }
    }
    if (d.correos.empty()) {
        const DWORD n = CertGetNameStringW(ctx, CERT_NAME_EMAIL_TYPE, 0, nullptr, nullptr, 0);
        if (n > 1) {
            std::wstring correo(n, L'\0');
            CertGetNameStringW(ctx, CERT_NAME_EMAIL_TYPE, 0, nullptr, correo.data(), n);
            correo.resize(n - 1);
            d.correos.push_back(Estrecho(correo));
        }
    }
    BYTE hash[32];
    DWORD bytes = 20;
    if (CryptHashCertificate(0, CALG_SHA1, 0, ctx->pbCertEncoded, ctx->cbCertEncoded, hash,
                             &bytes)) {
        d.sha1 = HexMayusculas(hash, bytes);
    }
    bytes = sizeof hash;
    if (CryptHashCertificate2(L"SHA256", 0, nullptr, ctx->pbCertEncoded, ctx->cbCertEncoded, hash,
                              &bytes)) {
        d.sha256 = HexMayusculas(hash, bytes);
    }
    DWORD clave = 0;
    d.clavePrivada =
        CertGetCertificateContextProperty(ctx, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &clave);
    return d;
}

}  // namespace

Resultado<DetallesCertificado> LeerDetallesCertificado(const std::string& huella) {
    std::vector<BYTE> sha1 = DeHex(huella);
    const std::string noEsta = "El certificado " + huella +
                               " ya no está en el almacén de certificados personal. Pulse F5 "
                               "para volver a cargar la lista.";
    if (sha1.size() != 20) return Falla(noEsta);
    HCERTSTORE my = CertOpenStore(
        CERT_STORE_PROV_SYSTEM_W, 0, 0,
        CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG,
        L"MY");
    if (!my) {
        return Falla("No se puede abrir el almacén de certificados personal: " +
                     TextoError(GetLastError()));
    }
    CRYPT_HASH_BLOB hash{static_cast<DWORD>(sha1.size()), sha1.data()};
    PCCERT_CONTEXT ctx =
        CertFindCertificateInStore(my, X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &hash, nullptr);
    Resultado<DetallesCertificado> r = ctx ? Resultado<DetallesCertificado>(Leer(ctx))
                                           : Resultado<DetallesCertificado>(Falla(noEsta));
    if (ctx) CertFreeCertificateContext(ctx);
    CertCloseStore(my, 0);
    return r;
}

}  // namespace marlevanta
