#include "helpers/tqunz/tqunz.h"

#include <sys/stat.h>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Entrada {
    std::string destino;  // relative to the program's folder
    fs::path temporal;
    unsigned modo = 0;
};

// A relative path of plain names: no root, no "..", no empty or "." component.
bool RutaSegura(const std::string& nombre) {
    if (nombre.empty() || nombre[0] == '/' || nombre.find('\\') != std::string::npos) return false;
    size_t inicio = 0;
    while (inicio <= nombre.size()) {
        size_t fin = nombre.find('/', inicio);
        if (fin == std::string::npos) fin = nombre.size();
        const std::string parte = nombre.substr(inicio, fin - inicio);
        if (parte == ".." || parte == "." || (parte.empty() && fin != nombre.size())) return false;
        inicio = fin + 1;
    }
    return true;
}

// No component of the path below `base` may be a link, the file itself included.
bool SinEnlaces(const fs::path& base, const std::string& relativa) {
    fs::path p = base;
    for (const auto& parte : fs::path(relativa)) {
        p /= parte;
        std::error_code ec;
        const auto estado = fs::symlink_status(p, ec);
        if (ec) return true;  // from here on nothing exists yet
        if (fs::is_symlink(estado)) return false;
    }
    return true;
}

void Fallo(char* error, size_t largo, const std::string& texto) {
    if (error && largo) std::snprintf(error, largo, "%s", texto.c_str());
}

}  // namespace

extern "C" int tqunz_extraer(const char* paquete, const char* clave, const char* destino,
                             char* error, size_t largo) {
    int codigo = 0;
    zip_t* zip = zip_open(paquete, ZIP_RDONLY, &codigo);
    if (!zip) {
        Fallo(error, largo, std::string("no se puede abrir el paquete ") + paquete);
        return 1;
    }
    if (clave && *clave) zip_set_default_password(zip, clave);
    const fs::path base(destino);
    const fs::path preparacion = base / ".tqUpd-preparacion";
    std::error_code ec;
    fs::remove_all(preparacion, ec);
    // A folder the user may not write in is the usual failure: it is named, not left to whatever
    // the first file write says.
    if (!fs::create_directories(preparacion, ec) || ec) {
        zip_discard(zip);
        Fallo(error, largo,
              "no se puede escribir en la carpeta del programa " + base.string() + " (" +
                  std::strerror(ec ? ec.value() : EEXIST) + ")");
        return 1;
    }
    std::vector<Entrada> entradas;
    std::string problema;
    const zip_int64_t n = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < n && problema.empty(); ++i) {
        const char* nombre = zip_get_name(zip, static_cast<zip_uint64_t>(i), 0);
        std::string ruta = nombre ? nombre : "";
        const bool carpeta = !ruta.empty() && ruta.back() == '/';
        if (carpeta) ruta.pop_back();
        if (!RutaSegura(ruta)) {
            problema =
                "entrada fuera de la carpeta del programa: " + std::string(nombre ? nombre : "");
            break;
        }
        if (!SinEnlaces(base, ruta)) {
            problema = "entrada que pasa por un enlace: " + ruta;
            break;
        }
        if (carpeta) continue;
        if (ruta == "tqUpd.exe" || ruta == "tqUnz.dll") ruta += ".act";
        Entrada e{ruta, preparacion / std::to_string(i), 0644};
        zip_uint8_t sistema = 0;
        zip_uint32_t atributos = 0;
        if (zip_file_get_external_attributes(zip, static_cast<zip_uint64_t>(i), 0, &sistema,
                                             &atributos) == 0 &&
            sistema == ZIP_OPSYS_UNIX && (atributos >> 16) != 0) {
            e.modo = (atributos >> 16) & 0777;
        }
        zip_file_t* archivo = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        if (!archivo) {
            problema = std::string("no se puede leer ") + ruta + ": " + zip_strerror(zip);
            break;
        }
        std::FILE* salida = std::fopen(e.temporal.c_str(), "wb");
        char bloque[65536];
        zip_int64_t leidos = 0;
        bool ok = salida != nullptr;
        while (ok && (leidos = zip_fread(archivo, bloque, sizeof bloque)) > 0) {
            ok = std::fwrite(bloque, 1, static_cast<size_t>(leidos), salida) ==
                 static_cast<size_t>(leidos);
        }
        if (leidos < 0) ok = false;
        if (!salida) {
            problema =
                "no se puede escribir " + e.temporal.string() + " (" + std::strerror(errno) + ")";
        } else if (!ok) {
            problema =
                std::string("no se puede descomprimir ") + ruta + ": " + zip_file_strerror(archivo);
        }
        zip_fclose(archivo);
        if (salida) ok = std::fclose(salida) == 0 && ok;
        if (ok) entradas.push_back(e);
    }
    zip_discard(zip);
    if (!problema.empty()) {
        fs::remove_all(preparacion, ec);
        Fallo(error, largo, problema);
        return 1;
    }
    // Every entry is in hand: now each file takes its place in one rename.
    for (const Entrada& e : entradas) {
        const fs::path final = base / e.destino;
        fs::create_directories(final.parent_path(), ec);
        chmod(e.temporal.c_str(), e.modo);
        if (std::rename(e.temporal.c_str(), final.c_str()) != 0) {
            problema = "no se puede reemplazar " + e.destino + ": " + std::strerror(errno);
            break;
        }
    }
    fs::remove_all(preparacion, ec);
    if (!problema.empty()) {
        Fallo(error, largo, problema);
        return 1;
    }
    return 0;
}
