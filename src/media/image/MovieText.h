#pragma once

#include "platform/text/Cp932Literal.h"

// The movie player's log texts, in CP932 as the log writes them.

inline constexpr auto& kTxtFilterGraphFailed = Cp932<"CLSID_FilterGraph の作成に失敗しました">;
inline constexpr auto& kTxtMovieOpenFailed = Cp932<"ムービーファイルオープン処理時にエラーが発生しました">;
inline constexpr auto& kTxtMovieRecordFailed = Cp932<"メモリの確保に失敗しました in OpenMovie">;
inline constexpr auto& kTxtTheoraRecordFailed = Cp932<"Theora ムービーデコード処理用のメモリ確保に失敗しました\n">;
inline constexpr auto& kTxtTheoraThreadFailed = Cp932<"Theora ムービーデコード用スレッドの作成に失敗しました\n">;
inline constexpr auto& kTxtTheoraPageFailed = Cp932<"Theora ページ情報格納用メモリの確保に失敗しました\n">;
inline constexpr auto& kTxtTheoraKeyframeFailed = Cp932<"Theora キーフレーム情報格納用メモリの確保に失敗しました\n">;
inline constexpr auto& kTxtTheoraImageFailed =
    Cp932<"Theora ムービーデコードフレームストック用画像バッファの確保に失敗しました\n">;
inline constexpr auto& kTxtTheoraStockFailed =
    Cp932<"Theora ムービーデコードフレームストック用のメモリ確保に失敗しました\n">;
