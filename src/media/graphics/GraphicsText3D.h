#pragma once

#include "platform/text/Cp932Literal.h"

// Log texts of the 3D path (Shift-JIS).

inline constexpr auto& kTxtD3DGotObject = Cp932<"Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました\n">;
inline constexpr auto& kTxtD3DReacquired = Cp932<"Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました\n">;
inline constexpr auto& kTxtFoundTnL = Cp932<"ハードウエアＴ＆Ｌデバイスを発見しました\n">;
inline constexpr auto& kTxtFoundHal = Cp932<"ＨＡＬデバイスを発見しました\n">;
inline constexpr auto& kTxtNoDevice = Cp932<"現在の画面モードで使用できる描画デバイスが見つかりませんでした\n">;
inline constexpr auto& kTxtNoZBuffer = Cp932<"使用可能なＺバッファが見つかりませんでした\n">;
inline constexpr auto& kTxtNoTextureFormat = Cp932<"使用可能なテクスチャフォーマットが見つかりませんでした\n">;
inline constexpr auto& kTxtTextureSizes = Cp932<"テクスチャ最大幅:%u 最小幅:%u ">;
inline constexpr auto& kTxtTextureCaps =
    Cp932<"描画制限: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d ">;
inline constexpr auto& kTxtStages = Cp932<"最大テクスチャステージ数 = %d   最大テクスチャブレンド数 = %d ">;
inline constexpr auto& kTxtFewStages =
    Cp932<"使用可能テクスチャステージが 4 以下なので DrawBlendGraph は正常に機能しない可能性があります\n">;
inline constexpr auto& kTxtTexturePixelFormats = Cp932<"テクスチャピクセルフォーマット\n">;
inline constexpr auto& kTxtPlainFormats = Cp932<"\t通常グラフィック用\n">;
inline constexpr char kTxtPlainFormatBits[] = "\t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u ";
inline constexpr char kTxtPlainFormatMasks[] = "\t\t RED:%06x GREEN:%06x BLUE:%06x \n";
inline constexpr auto& kTxtAlphaFormats = Cp932<"\tアルファチャンネル付きグラフィック用\n">;
inline constexpr char kTxtAlphaFormatBits[] = "\t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u ";
inline constexpr char kTxtAlphaFormatMasks[] = "\t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x \n";
inline constexpr auto& kTxtD3DStartDone = Cp932<"Direct3D 関連の初期化は正常に終了しました\n">;
inline constexpr auto& kTxtDeviceCreate = Cp932<"３Ｄデバイスを作成します... ">;
inline constexpr auto& kTxtDeviceCreateFailed = Cp932<"３Ｄデバイスの作成に失敗しました\n">;
inline constexpr auto& kTxtDeviceCreated = Cp932<"３Ｄデバイスの作成に成功しました\n">;
inline constexpr auto& kTxtDeviceDeleted = Cp932<"Ｄｉｒｅｃｔ３Ｄデバイスを削除しました\n">;
inline constexpr auto& kTxtDeviceReleased = Cp932<"３Ｄデバイスの削除は正常に終了しました\n">;
inline constexpr auto& kTxtD3DStop = Cp932<"Direct3D 関連の終了処理を行います\n">;
inline constexpr auto& kTxtD3DStopDone = Cp932<"Direct3D 関連の終了処理は正常に終了しました\n">;
inline constexpr auto& kTxtDeviceViewportFailed = Cp932<"ビューポートのセットに失敗しました ErrorCode %x\n">;
inline constexpr auto& kTxtTooManyPieces = Cp932<"エラー：画像の分割数が最大数の %d を超えました">;
inline constexpr auto& kTxt3DTableFull = Cp932<"３Ｄグラフィックの数が許容量を越えました。\n">;
inline constexpr auto& kTxtAdd3DMemory = Cp932<"メモリの確保に失敗しました in AddSurface3DData \n">;
inline constexpr auto& kTxtTextureSurfaceFailed = Cp932<"テクスチャサーフェスの作成に失敗しました\n">;
inline constexpr char kTxtTextureSurfaceRequest[] = "DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d";
inline constexpr auto& kTxtTextureKeyFailed = Cp932<"テクスチャサーフェスのカラーキーの設定に失敗しました\n">;
inline constexpr auto& kTxtTempTextureFatal = Cp932<"テンポラリテクスチャサーフェスの作成に失敗しました">;
inline constexpr auto& kTxtTempLoadFatal =
    Cp932<"作業用テクスチャサーフェスから描画用テクスチャサーフェスへの画像転送に失敗しました">;
inline constexpr auto& kTxtCapture5WorkLock =
    Cp932<"Error  G_D3D_GetDrawScreenGraphFunction5 　作業用テクスチャサーフェスのロックに失敗しました  Lock  "
          "ReturnValue:%d">;
inline constexpr auto& kTxtCapture5DestLock =
    Cp932<"Error  G_D3D_GetDrawScreenGraphFunction5 　転送先テクスチャサーフェスのロックに失敗しました  Lock  "
          "ReturnValue:%d">;
inline constexpr char kTxtCapture1BltFast[] = "Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d";
inline constexpr auto& kTxtCapture2Blt =
    Cp932<"Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt "
          " ErrorCode:%x">;
inline constexpr auto& kTxtCapture3Create =
    Cp932<"Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  "
          "ReturnValue:%d">;
inline constexpr auto& kTxtCapture3Blt =
    Cp932<"Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt "
          " ErrorCode:%x">;
inline constexpr auto& kTxtCapture4Create =
    Cp932<"Error  G_D3D_GetDrawScreenGraphFunction4 　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  "
          "ReturnValue:%d">;
inline constexpr auto& kTxtCapture4Blt =
    Cp932<"Error  G_D3D_GetDrawScreenGraphFunction4 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt "
          " ErrorCode:%x">;
inline constexpr char kTxtCapture4Load[] =
    "hr:%d  W:%d  H:%d  FullMode:%d  Point x:%d y:%d   Rect top:%d bottom:%d left:%d right:%d";
