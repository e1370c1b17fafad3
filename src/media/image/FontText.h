#pragma once

#include "platform/text/Cp932Literal.h"

// The font layer's log texts and names, in CP932.

inline constexpr auto& kTxtFontLimit = Cp932<"作成できるフォントハンドル数 %d の限界を超えました">;
inline constexpr auto& kTxtFontMemory = Cp932<"フォント管理用メモリ領域の確保に失敗しました\n">;
inline constexpr auto& kTxtNamedFontFailed = Cp932<"指定のフォントの作成に失敗しました\n">;
inline constexpr auto& kTxtFontFailed = Cp932<"フォントの作成に失敗しました\n">;
inline constexpr auto& kTxtCacheMemory =
    Cp932<"フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle">;
inline constexpr auto& kTxtTextSurfaceFailed = Cp932<"フォント用描画スクリーンの作成に失敗しました\n">;
inline constexpr auto& kTxtGlyphOutlineFailed = Cp932<"GetGlyphOutline 関数が失敗しました">;
inline constexpr auto& kTxtGlyphBufferFailed = Cp932<"アンチエイリアス文字取得用バッファの確保に失敗しました">;
inline constexpr auto& kTxtFontResetStart = Cp932<"フォントの初期化を行います\n">;
inline constexpr auto& kTxtFontResetDone = Cp932<"フォントの初期化は正常に終了しました\n">;
inline constexpr auto& kTxtTextCacheFailed = Cp932<"テキストキャッシュの作成に失敗しました">;
inline constexpr auto& kTxtBadFontHandle = Cp932<"フォントハンドル値が異常です\n">;
inline constexpr auto& kTxtDefaultFace = Cp932<"ＭＳ ゴシック">;
inline constexpr auto& kTxtJapaneseScript = Cp932<"日本語">;
inline constexpr auto& kTxtTextureCacheFailed = Cp932<"テクスチャ文字キャッシュの作成に失敗しました\n">;
inline constexpr auto& kTxtStagingMemory = Cp932<"文字キャッシュ処理用メモリの確保に失敗しました\n">;
