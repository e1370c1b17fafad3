#pragma once

// The image loader's log texts, in CP932 as the log writes them.

// ＤＩＢの作成に失敗しました3\n
inline constexpr char kTxtDibCreateFailed3[] =
    "\x82"
    "c\x82h\x82"
    "a\x82\xcc\x8d\xec\x90\xac\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd"
    "3\n";
// ２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n
inline constexpr char kTxt24BitBlockFailed[] = "\x82Q\x82S\x83r\x83"
                                               "b\x83g\x83J\x83\x89\x81[\x89\xbb\x82\xb5\x82\xbd\x83O\x83\x89\x83t\x83"
                                               "B\x83"
                                               "b\x83N\x82\xf0\x8ai\x94["
                                               "\x82\xb7\x82\xe9\x83\x81\x83\x82\x83\x8a\x97\xcc\x88\xe6\x82\xcc\x8am"
                                               "\x95\xdb\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
