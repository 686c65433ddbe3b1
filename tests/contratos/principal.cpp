// The contract tests' entry: the platform's own preparations, then every test.
#include "comun.h"
#include "rasgos_plataforma.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    contrato::PrepararPlataforma();
    return RUN_ALL_TESTS();
}
