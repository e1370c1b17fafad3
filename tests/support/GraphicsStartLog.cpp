#include "support/GraphicsStartLog.h"

std::vector<std::string> GraphicsStartLogLines(int bits) {
  const std::string mode = "画面モードの変更処理を開始します 640 x 480  " + std::to_string(bits) + " bit ";
  // The hardware attempt took the desktop's 32 bits for the window.
  const std::string desktopMode = "画面モードの変更処理を開始します 640 x 480  32 bit ";
  return {
      "DirectDraw 関連の初期化を行います",
      "\tDirectDraw オブジェクトの取得を行います....  成功",
      "\t引き続き初期化処理... 初期化に成功しました",
      "\tビデオカードの情報",
      "\t画面モード変更処理を開始します",
      "\t\t" + mode,
      "\t\t\tウインドウモードにします",
      "\t\t画面モードの変更は正常に終了しました ",
      "\t\tカラー情報",
      "\t\t\tA:00000000  B:00ff0000  G:0000ff00  B:000000ff",
      "\t\tウインドウスタイルをウインドウモード用に変更します... 完了",
      "\t\t出力画面用の DirectDrawSurface を作成します",
      "\t\t各スクリーンメモリの配置位置",
      "\t\tPrimaryBuffer : SYSTEMMEMORY  ",
      "\t\tBaskBuffer : SYSTEMMEMORY  ",
      "\t\t出力画面用の DirectDrawSurface の作成は正常に終了しました",
      "\t\tDirect3D 関連の初期化を行います",
      "\t\tＤｉｒｅｃｔ３Ｄオブジェクトを取得します",
      "\t\tDirect3Dオブジェクトの作成に失敗しました",
      "\tメインサーフェスを破棄をします... 完了しました",
      "DirectDraw 関連の終了処理をおこないます",
      "\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放します",
      "\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました",
      "DirectDraw 関連の終了処理は正常に終了しました",
      "ソフトウエアレンダリングモードに変更します",
      "DirectDraw 関連の初期化を行います",
      "\tDirectDraw オブジェクトの取得を行います....  成功",
      "\t引き続き初期化処理... 初期化に成功しました",
      "\tビデオカードの情報",
      "\t画面モード変更処理を開始します",
      "\t\t" + desktopMode,
      "\t\t\tウインドウモードにします",
      "\t\t画面モードの変更は正常に終了しました ",
      "\t\tウインドウスタイルをウインドウモード用に変更します... 完了",
      "\t\t出力画面用の DirectDrawSurface を作成します",
      "\t\t各スクリーンメモリの配置位置",
      "\t\tPrimaryBuffer : SYSTEMMEMORY( MEMIMG ) BaskBuffer : SYSTEMMEMORY( MEMIMG ) 出力画面用の DirectDrawSurface "
      "の作成は正常に終了しました",
      "\t\tグラフィック管理系の初期化を行います",
      "\t\t\t３Ｄグラフィック描画機能は使用しません",
      "\t\t\tフォントの初期化を行います",
      "\t\t\tフォントの初期化は正常に終了しました",
      "\t\tグラフィック管理系の初期化は正常に終了しました",
      "\t画面モード変更処理は正常に終了しました",
      "\tオーバーレイサーフェスは使用しません",
      "DirectDraw 関連の初期化は正常に終了しました",
  };
}

std::vector<std::string> GraphicsEndLogLines() {
  return {
      "DirectDraw 関連の終了処理をおこないます",        "\tフォントの初期化を行います",
      "\tフォントの初期化は正常に終了しました",         "\tグラフィック管理系の終了処理は正常に終了しました",
      "\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放します", "\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました",
      "\t画面モードを元に戻す処理は正常に終了しました", "DirectDraw 関連の終了処理は正常に終了しました",
  };
}
