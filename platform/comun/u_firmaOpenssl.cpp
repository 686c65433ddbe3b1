#include "platform/comun/u_firmaOpenssl.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

#include "marlevanta_claves.h"

namespace marlevanta {

namespace {

constexpr const char* kCabecera = "marlevanta-firma-1";
constexpr std::size_t kBytesFirma = 64;

struct Partes {
    std::string firmado;  // the first three lines, as signed
    int version = 0;
    std::string sha256;
    unsigned char firma[kBytesFirma] = {};
};

bool SoloCifras(const std::string& t, const char* cifras) {
    return !t.empty() && t.find_first_not_of(cifras) == std::string::npos;
}

// The file's four lines, exactly as tools/firmar-paquete writes them: anything else is refused.
Resultado<Partes> Separar(const std::string& texto) {
    if (texto.empty()) return Falla("no hay firma");
    const Fallo forma{"la firma no tiene el formato esperado"};
    if (texto.size() > kMaximoFirma) return forma;
    std::string resto = texto;
    if (resto.back() == '\n') resto.pop_back();
    std::string lineas[4];
    for (int i = 0; i < 4; ++i) {
        const std::size_t fin = resto.find('\n');
        if ((fin == std::string::npos) != (i == 3)) return forma;
        lineas[i] = resto.substr(0, fin);
        if (fin != std::string::npos) resto.erase(0, fin + 1);
    }
    Partes p;
    const std::string version = lineas[1].rfind("version ", 0) == 0 ? lineas[1].substr(8) : "";
    const std::string suma = lineas[2].rfind("sha256 ", 0) == 0 ? lineas[2].substr(7) : "";
    const std::string firma = lineas[3].rfind("ed25519 ", 0) == 0 ? lineas[3].substr(8) : "";
    if (lineas[0] != kCabecera || !SoloCifras(version, "0123456789") || version.size() > 9 ||
        version[0] == '0' || suma.size() != 64 || !SoloCifras(suma, "0123456789abcdef") ||
        firma.size() != 88 || firma.compare(86, 2, "==") != 0) {
        return forma;
    }
    // 88 characters of base64 decode to 66 bytes, of which the padding's two are not the
    // signature's.
    unsigned char bytes[66];
    if (EVP_DecodeBlock(bytes, reinterpret_cast<const unsigned char*>(firma.data()), 88) != 66) {
        return forma;
    }
    std::copy(bytes, bytes + kBytesFirma, p.firma);
    p.version = std::stoi(version);
    p.sha256 = suma;
    p.firmado = lineas[0] + "\n" + lineas[1] + "\n" + lineas[2] + "\n";
    return p;
}

bool Verificar(const std::string& pem, const Partes& p) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
    if (!bio) return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> clave(
        PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
    // Only an Ed25519 key: another kind of key never signs a package, whatever it would accept.
    if (!clave || EVP_PKEY_id(clave.get()) != EVP_PKEY_ED25519) return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    return ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, clave.get()) == 1 &&
           EVP_DigestVerify(ctx.get(), p.firma, kBytesFirma,
                            reinterpret_cast<const unsigned char*>(p.firmado.data()),
                            p.firmado.size()) == 1;
}

// The file read in blocks, whatever its size.
Resultado<std::string> Sha256(const std::string& ruta) {
    std::unique_ptr<std::FILE, decltype(&std::fclose)> f(std::fopen(ruta.c_str(), "rb"),
                                                         &std::fclose);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!f || !ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) {
        return Falla("no se puede leer el paquete");
    }
    unsigned char bloque[65536];
    std::size_t n = 0;
    while ((n = std::fread(bloque, 1, sizeof bloque, f.get())) > 0) {
        if (EVP_DigestUpdate(ctx.get(), bloque, n) != 1)
            return Falla("no se puede leer el paquete");
    }
    unsigned char suma[EVP_MAX_MD_SIZE];
    unsigned int largo = 0;
    if (std::ferror(f.get()) || EVP_DigestFinal_ex(ctx.get(), suma, &largo) != 1) {
        return Falla("no se puede leer el paquete");
    }
    static const char* const kHex = "0123456789abcdef";
    std::string texto;
    for (unsigned int i = 0; i < largo; ++i) {
        texto += kHex[suma[i] >> 4];
        texto += kHex[suma[i] & 15];
    }
    return texto;
}

}  // namespace

Resultado<FirmaPaquete> ComprobarFirmaPaqueteCon(const std::string& paquete,
                                                 const std::string& firma,
                                                 const std::vector<std::string>& clavesPem) {
    auto partes = Separar(firma);
    if (!partes) return Fallo{partes.motivo()};
    bool valida = false;
    for (const std::string& pem : clavesPem) valida = valida || Verificar(pem, *partes);
    if (!valida) return Falla("la firma es de otra clave");
    auto suma = Sha256(paquete);
    if (!suma) return Fallo{suma.motivo()};
    if (*suma != partes->sha256) return Falla("el paquete no es el que se firmó");
    return FirmaPaquete{partes->version, partes->sha256};
}

Resultado<FirmaPaquete> ComprobarFirmaPaquete(const std::string& paquete,
                                              const std::string& firma) {
    return ComprobarFirmaPaqueteCon(
        paquete, firma,
        std::vector<std::string>(std::begin(kClavesActualizacion), std::end(kClavesActualizacion)));
}

#ifdef MARLEVANTA_MODULO_HTTP
// The web module's entry for the check: with the keys built in when `claves` is null.
extern "C" __attribute__((visibility("default"))) void marlevanta_comprobar_firma(
    const std::string* paquete, const std::string* firma, const std::vector<std::string>* claves,
    Resultado<FirmaPaquete>* resultado) {
    *resultado = claves ? ComprobarFirmaPaqueteCon(*paquete, *firma, *claves)
                        : ComprobarFirmaPaquete(*paquete, *firma);
}
#endif

}  // namespace marlevanta
