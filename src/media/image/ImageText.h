#pragma once

#include "platform/text/Cp932Literal.h"

// The image loader's log texts, in CP932 as the log writes them.

inline constexpr auto& kTxtDibCreateFailed3 = Cp932<"ＤＩＢの作成に失敗しました3\n">;
inline constexpr auto& kTxt24BitBlockFailed =
    Cp932<"２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n">;
