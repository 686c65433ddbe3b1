// The unzip library of the external updater, loaded at run time so that an update can replace it.
#pragma once

#include <cstddef>

extern "C" {

// Unpacks `paquete` (a zip, `clave` its password or "") into `destino`. The updater's own two
// files are written as "<name>.act". All or nothing: every entry is unpacked to a staging folder
// first; an entry whose path leaves `destino` or passes through a link refuses the whole package.
// 0 on success; otherwise `error` (of `largo` bytes) says why.
int tqunz_extraer(const char* paquete, const char* clave, const char* destino, char* error,
                  std::size_t largo);

typedef int (*TqunzExtraer)(const char*, const char*, const char*, char*, std::size_t);
}
