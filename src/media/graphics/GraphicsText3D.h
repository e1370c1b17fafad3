#pragma once

// Log texts of the 3D path (Shift-JIS).

// Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました\n
inline constexpr char kTxtD3DGotObject[] = "\x82"
                                           "c\x82\x89\x82\x92\x82\x85\x82\x83\x82\x94\x82R\x82"
                                           "c\x83I\x83u\x83W\x83"
                                           "F\x83N\x83g\x82\xf0\x8e\xe6\x93\xbe\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました\n
inline constexpr char kTxtD3DReacquired[] =
    "\x82"
    "c\x82\x89\x82\x92\x82\x85\x82\x83\x82\x94\x82R\x82"
    "c\x83I\x83u\x83W\x83"
    "F\x83N\x83g\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x8e\xe6\x93\xbe\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd\n";
// ハードウエアＴ＆Ｌデバイスを発見しました\n
inline constexpr char kTxtFoundTnL[] = "\x83n\x81[\x83h\x83"
                                       "E\x83G\x83"
                                       "A\x82s\x81\x95\x82k\x83"
                                       "f\x83o\x83"
                                       "C\x83X\x82\xf0\x94\xad\x8c\xa9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// ＨＡＬデバイスを発見しました\n
inline constexpr char kTxtFoundHal[] = "\x82g\x82`\x82k\x83"
                                       "f\x83o\x83"
                                       "C\x83X\x82\xf0\x94\xad\x8c\xa9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// 現在の画面モードで使用できる描画デバイスが見つかりませんでした\n
inline constexpr char kTxtNoDevice[] =
    "\x8c\xbb\x8d\xdd\x82\xcc\x89\xe6\x96\xca\x83\x82\x81[\x83h\x82\xc5\x8eg\x97p\x82\xc5\x82\xab\x82\xe9\x95`"
    "\x89\xe6\x83"
    "f\x83o\x83"
    "C\x83X\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\n";
// 使用可能なＺバッファが見つかりませんでした\n
inline constexpr char kTxtNoZBuffer[] =
    "\x8eg\x97p\x89\xc2\x94\\\x82\xc8\x82y\x83o\x83"
    "b\x83t\x83@\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\n";
// 使用可能なテクスチャフォーマットが見つかりませんでした\n
inline constexpr char kTxtNoTextureFormat[] =
    "\x8eg\x97p\x89\xc2\x94\\\x82\xc8\x83"
    "e\x83N\x83X\x83`\x83\x83\x83t\x83H\x81[\x83}\x83"
    "b\x83g\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\n";
// テクスチャ最大幅:%u 最小幅:%u
inline constexpr char kTxtTextureSizes[] =
    "\x83"
    "e\x83N\x83X\x83`\x83\x83\x8d\xc5\x91\xe5\x95\x9d:%u \x8d\xc5\x8f\xac\x95\x9d:%u ";
// 描画制限: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d
inline constexpr char kTxtTextureCaps[] =
    "\x95`\x89\xe6\x90\xa7\x8c\xc0: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d ";
// 最大テクスチャステージ数 = %d   最大テクスチャブレンド数 = %d
inline constexpr char kTxtStages[] = "\x8d\xc5\x91\xe5\x83"
                                     "e\x83N\x83X\x83`\x83\x83\x83X\x83"
                                     "e\x81[\x83W\x90\x94 = %d   \x8d\xc5\x91\xe5\x83"
                                     "e\x83N\x83X\x83`\x83\x83\x83u\x83\x8c\x83\x93\x83h\x90\x94 = %d ";
// 使用可能テクスチャステージが 4 以下なので DrawBlendGraph は正常に機能しない可能性があります\n
inline constexpr char kTxtFewStages[] =
    "\x8eg\x97p\x89\xc2\x94\\\x83"
    "e\x83N\x83X\x83`\x83\x83\x83X\x83"
    "e\x81[\x83W\x82\xaa 4 \x88\xc8\x89\xba\x82\xc8\x82\xcc\x82\xc5 DrawBlendGraph "
    "\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x8b@"
    "\x94\\\x82\xb5\x82\xc8\x82\xa2\x89\xc2\x94\\\x90\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\n";
// テクスチャピクセルフォーマット\n
inline constexpr char kTxtTexturePixelFormats[] =
    "\x83"
    "e\x83N\x83X\x83`\x83\x83\x83s\x83N\x83Z\x83\x8b\x83t\x83H\x81[\x83}\x83"
    "b\x83g\n";
// \t通常グラフィック用\n
inline constexpr char kTxtPlainFormats[] = "\t\x92\xca\x8f\xed\x83O\x83\x89\x83t\x83"
                                           "B\x83"
                                           "b\x83N\x97p\n";
// \t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u
inline constexpr char kTxtPlainFormatBits[] = "\t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u ";
// \t\t RED:%06x GREEN:%06x BLUE:%06x \n
inline constexpr char kTxtPlainFormatMasks[] = "\t\t RED:%06x GREEN:%06x BLUE:%06x \n";
// \tアルファチャンネル付きグラフィック用\n
inline constexpr char kTxtAlphaFormats[] =
    "\t\x83"
    "A\x83\x8b\x83t\x83@\x83`\x83\x83\x83\x93\x83l\x83\x8b\x95t\x82\xab\x83O\x83\x89\x83t\x83"
    "B\x83"
    "b\x83N\x97p\n";
// \t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u
inline constexpr char kTxtAlphaFormatBits[] = "\t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u ";
// \t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x \n
inline constexpr char kTxtAlphaFormatMasks[] = "\t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x \n";
// Direct3D 関連の初期化は正常に終了しました\n
inline constexpr char kTxtD3DStartDone[] =
    "Direct3D \x8a\xd6\x98"
    "A\x82\xcc\x8f\x89\x8a\xfa\x89\xbb\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x8fI\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// ３Ｄデバイスを作成します...
inline constexpr char kTxtDeviceCreate[] = "\x82R\x82"
                                           "c\x83"
                                           "f\x83o\x83"
                                           "C\x83X\x82\xf0\x8d\xec\x90\xac\x82\xb5\x82\xdc\x82\xb7... ";
// ３Ｄデバイスの作成に失敗しました\n
inline constexpr char kTxtDeviceCreateFailed[] =
    "\x82R\x82"
    "c\x83"
    "f\x83o\x83"
    "C\x83X\x82\xcc\x8d\xec\x90\xac\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// ３Ｄデバイスの作成に成功しました\n
inline constexpr char kTxtDeviceCreated[] =
    "\x82R\x82"
    "c\x83"
    "f\x83o\x83"
    "C\x83X\x82\xcc\x8d\xec\x90\xac\x82\xc9\x90\xac\x8c\xf7\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// Ｄｉｒｅｃｔ３Ｄデバイスを削除しました\n
inline constexpr char kTxtDeviceDeleted[] = "\x82"
                                            "c\x82\x89\x82\x92\x82\x85\x82\x83\x82\x94\x82R\x82"
                                            "c\x83"
                                            "f\x83o\x83"
                                            "C\x83X\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// ３Ｄデバイスの削除は正常に終了しました\n
inline constexpr char kTxtDeviceReleased[] =
    "\x82R\x82"
    "c\x83"
    "f\x83o\x83"
    "C\x83X\x82\xcc\x8d\xed\x8f\x9c\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x8fI\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// Direct3D 関連の終了処理を行います\n
inline constexpr char kTxtD3DStop[] = "Direct3D \x8a\xd6\x98"
                                      "A\x82\xcc\x8fI\x97\xb9\x8f\x88\x97\x9d\x82\xf0\x8ds\x82\xa2\x82\xdc\x82\xb7\n";
// Direct3D 関連の終了処理は正常に終了しました\n
inline constexpr char kTxtD3DStopDone[] = "Direct3D \x8a\xd6\x98"
                                          "A\x82\xcc\x8fI\x97\xb9\x8f\x88\x97\x9d\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x8fI"
                                          "\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// ビューポートのセットに失敗しました ErrorCode %x\n
inline constexpr char kTxtDeviceViewportFailed[] =
    "\x83r\x83\x85\x81[\x83|\x81[\x83g\x82\xcc\x83Z\x83"
    "b\x83g\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd ErrorCode %x\n";
// エラー：画像の分割数が最大数の %d を超えました
inline constexpr char kTxtTooManyPieces[] = "\x83G\x83\x89\x81[\x81"
                                            "F\x89\xe6\x91\x9c\x82\xcc\x95\xaa\x8a\x84\x90\x94\x82\xaa\x8d\xc5\x91\xe5"
                                            "\x90\x94\x82\xcc %d \x82\xf0\x92\xb4\x82\xa6\x82\xdc\x82\xb5\x82\xbd";
// ３Ｄグラフィックの数が許容量を越えました。\n
inline constexpr char kTxt3DTableFull[] = "\x82R\x82"
                                          "c\x83O\x83\x89\x83t\x83"
                                          "B\x83"
                                          "b\x83N\x82\xcc\x90\x94\x82\xaa\x8b\x96\x97"
                                          "e\x97\xca\x82\xf0\x89z\x82\xa6\x82\xdc\x82\xb5\x82\xbd\x81"
                                          "B\n";
// メモリの確保に失敗しました in AddSurface3DData \n
inline constexpr char kTxtAdd3DMemory[] = "\x83\x81\x83\x82\x83\x8a\x82\xcc\x8am\x95\xdb\x82\xc9\x8e\xb8\x94s\x82\xb5"
                                          "\x82\xdc\x82\xb5\x82\xbd in AddSurface3DData \n";
// テクスチャサーフェスの作成に失敗しました\n
inline constexpr char kTxtTextureSurfaceFailed[] =
    "\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xcc\x8d\xec\x90\xac\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d
inline constexpr char kTxtTextureSurfaceRequest[] = "DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d";
// テクスチャサーフェスのカラーキーの設定に失敗しました\n
inline constexpr char kTxtTextureKeyFailed[] =
    "\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xcc\x83J\x83\x89\x81[\x83L\x81["
    "\x82\xcc\x90\xdd\x92\xe8\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
// テンポラリテクスチャサーフェスの作成に失敗しました
inline constexpr char kTxtTempTextureFatal[] =
    "\x83"
    "e\x83\x93\x83|\x83\x89\x83\x8a\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xcc\x8d\xec\x90\xac\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// 作業用テクスチャサーフェスから描画用テクスチャサーフェスへの画像転送に失敗しました
inline constexpr char kTxtTempLoadFatal[] =
    "\x8d\xec\x8b\xc6\x97p\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xa9\x82\xe7\x95`\x89\xe6\x97p\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xd6\x82\xcc\x89\xe6\x91\x9c\x93]\x91\x97\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// Error  G_D3D_GetDrawScreenGraphFunction5 　作業用テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d
inline constexpr char kTxtCapture5WorkLock[] =
    "Error  G_D3D_GetDrawScreenGraphFunction5 \x81@\x8d\xec\x8b\xc6\x97p\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xcc\x83\x8d\x83"
    "b\x83N\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd  Lock  ReturnValue:%d";
// Error  G_D3D_GetDrawScreenGraphFunction5 　転送先テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d
inline constexpr char kTxtCapture5DestLock[] =
    "Error  G_D3D_GetDrawScreenGraphFunction5 \x81@\x93]\x91\x97\x90\xe6\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xcc\x83\x8d\x83"
    "b\x83N\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd  Lock  ReturnValue:%d";
// Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d
inline constexpr char kTxtCapture1BltFast[] = "Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d";
// Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x
inline constexpr char kTxtCapture2Blt[] =
    "Error  G_D3D_GetDrawScreenGraphFunction2 \x81@\x8d\xec\x8b\xc6\x97p\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xd6\x82\xcc\x83"
    "C\x83\x81\x81[\x83W\x93]\x91\x97\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd  BitBlt  ErrorCode:%x";
// Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  ReturnValue:%d
inline constexpr char kTxtCapture3Create[] = "Error  G_D3D_GetDrawScreenGraphFunction3 \x81@\x8d\xec\x8b\xc6\x97p\x83"
                                             "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
                                             "F\x83X\x82\xcc\x8d\xec\x90\xac\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82"
                                             "\xb5\x82\xbd  CreateSurface  ReturnValue:%d";
// Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x
inline constexpr char kTxtCapture3Blt[] =
    "Error  G_D3D_GetDrawScreenGraphFunction3 \x81@\x8d\xec\x8b\xc6\x97p\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xd6\x82\xcc\x83"
    "C\x83\x81\x81[\x83W\x93]\x91\x97\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd  BitBlt  ErrorCode:%x";
// Error  G_D3D_GetDrawScreenGraphFunction4 　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  ReturnValue:%d
inline constexpr char kTxtCapture4Create[] = "Error  G_D3D_GetDrawScreenGraphFunction4 \x81@\x8d\xec\x8b\xc6\x97p\x83"
                                             "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
                                             "F\x83X\x82\xcc\x8d\xec\x90\xac\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82"
                                             "\xb5\x82\xbd  CreateSurface  ReturnValue:%d";
// Error  G_D3D_GetDrawScreenGraphFunction4 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x
inline constexpr char kTxtCapture4Blt[] =
    "Error  G_D3D_GetDrawScreenGraphFunction4 \x81@\x8d\xec\x8b\xc6\x97p\x83"
    "e\x83N\x83X\x83`\x83\x83\x83T\x81[\x83t\x83"
    "F\x83X\x82\xd6\x82\xcc\x83"
    "C\x83\x81\x81[\x83W\x93]\x91\x97\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd  BitBlt  ErrorCode:%x";
// hr:%d  W:%d  H:%d  FullMode:%d  Point x:%d y:%d   Rect top:%d bottom:%d left:%d right:%d
inline constexpr char kTxtCapture4Load[] =
    "hr:%d  W:%d  H:%d  FullMode:%d  Point x:%d y:%d   Rect top:%d bottom:%d left:%d right:%d";
