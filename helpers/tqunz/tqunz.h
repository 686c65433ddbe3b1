// The unzip library of the external updater, loaded at run time so that an update can replace it.
#pragma once

#include <cstddef>

extern "C" {

// Unpacks `paquete` (a zip, `clave` its password or "") into `destino`. The updater's own two
// files are written as "<name>.act". All or nothing: every entry is checked and unpacked to a
// staging folder first, and every file replaced is kept aside until the last one is in place, so
// a refused package leaves `destino` as it was. Refused: an entry whose path leaves `destino` or
// passes through a link, a link or special file, more than 100 times the package's size (and
// never more than 1 GiB) unpacked. Files never get write permission for group or others, nor
// setuid or setgid; they are executable only when the entry is so for its owner.
// 0 on success; otherwise `error` (of `largo` bytes) says why, in Spanish.
int tqunz_extraer(const char* paquete, const char* clave, const char* destino, char* error,
                  std::size_t largo);

typedef int (*TqunzExtraer)(const char*, const char*, const char*, char*, std::size_t);
}
