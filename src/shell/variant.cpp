// The three programs' variant records.
#include "shell/variant.h"

#include "rules/chains_rules.h"
#include "rules/cubes_rules.h"
#include "rules/shapes_rules.h"

const Variant& ShapesVariant() {
    static const Variant variant{2,     "shapes", "Pelorina @ Shapes", "Пелорина @ Фигуры", false,
                                 InstallShapesRules, ShapesControlFrame};
    return variant;
}

const Variant& ChainsVariant() {
    static const Variant variant{1, "chains", "Pelorina @ Chains", "Пелорина @ Цепочки", true,
                                 InstallChainsRules, ChainsControlFrame};
    return variant;
}

const Variant& CubesVariant() {
    static const Variant variant{0,    "cubes", "Pelorina @ Cubes", "Пелорина @ Кубики", true,
                                 InstallCubesRules, CubesControlFrame};
    return variant;
}
