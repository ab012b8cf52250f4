<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>CVarlenApp</name>
    <message>
        <source>設定情報を削除しますか？</source>
        <translation>Delete the stored settings?</translation>
    </message>
</context>
<context>
    <name>CVarlenState</name>
    <message>
        <source>設定を保存できませんでした。
ディスクの空き容量と設定フォルダの書き込み権限を確認してください。</source>
        <translation>The settings could not be saved.
Check that the disk has free space and that the settings folder can be written.</translation>
    </message>
</context>
<context>
    <name>varlen</name>
    <message>
        <source>画像ファイル (*.bmp; *.png; *.gif; *.jpg; *.jpe; *.jpeg; *.webp; *.tif; *.tiff; *.svg; *.ico; *.cur)</source>
        <translation>Pictures (*.bmp; *.png; *.gif; *.jpg; *.jpe; *.jpeg; *.webp; *.tif; *.tiff; *.svg; *.ico; *.cur)</translation>
    </message>
    <message>
        <source>Windows ビットマップ (*.bmp)</source>
        <translation>Windows bitmap (*.bmp)</translation>
    </message>
    <message>
        <source>PNG イメージ (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>GIF イメージ (*.gif)</source>
        <translation>GIF image (*.gif)</translation>
    </message>
    <message>
        <source>JPEG イメージ (*.jpg; *.jpe; *.jpeg)</source>
        <translation>JPEG image (*.jpg; *.jpe; *.jpeg)</translation>
    </message>
    <message>
        <source>すべてのファイル (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>アイコンファイル (*.ico)</source>
        <translation>Icon file (*.ico)</translation>
    </message>
    <message>
        <source>マニュアルを開けませんでした。
%1 を開くブラウザが見つかりません。</source>
        <translation>The manual could not be opened.
No browser was found for %1.</translation>
    </message>
    <message>
        <source>マニュアルが見つかりません。
探した場所:
%1</source>
        <translation>The manual was not found.
Places looked at:
%1</translation>
    </message>
</context>
<context>
    <name>varlen::CAboutDlg</name>
    <message>
        <source>バージョン情報</source>
        <translation>About Varlen</translation>
    </message>
    <message>
        <source>Copyright (C) Orvik&#x3000;ライセンス: GPL-3.0-or-later</source>
        <translation>Copyright (C) Orvik. Licence: GPL-3.0-or-later</translation>
    </message>
</context>
<context>
    <name>varlen::CBrightnessDialog</name>
    <message>
        <source>画像全体の明るさとコントラストを調整します。</source>
        <translation>Adjusts the brightness and contrast of the whole picture.</translation>
    </message>
    <message>
        <source>明るさ(&amp;B):</source>
        <translation>Br&amp;ightness:</translation>
    </message>
    <message>
        <source>コントラスト(&amp;C):</source>
        <translation>&amp;Contrast:</translation>
    </message>
</context>
<context>
    <name>varlen::CExportFileDialog</name>
    <message>
        <source>Windows ビットマップ (*.bmp)</source>
        <translation>Windows bitmap (*.bmp)</translation>
    </message>
    <message>
        <source>PNG イメージ (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>GIF イメージ (*.gif)</source>
        <translation>GIF image (*.gif)</translation>
    </message>
    <message>
        <source>マウスカーソル (*.cur)</source>
        <translation>Mouse cursor (*.cur)</translation>
    </message>
    <message>
        <source>ホットスポット(&amp;H):</source>
        <translation>Hot&amp;spot:</translation>
    </message>
    <message>
        <source>エクスポート</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>エクスポートが完了しました。</source>
        <translation>The format has been exported.</translation>
    </message>
    <message>
        <source>エクスポートに失敗しました。</source>
        <translation>The export failed.</translation>
    </message>
    <message>
        <source>%1 は既に存在します。
上書きしますか？</source>
        <translation>%1 already exists.
Replace it?</translation>
    </message>
    <message>
        <source>エクスポートしています...</source>
        <translation>Exporting...</translation>
    </message>
</context>
<context>
    <name>varlen::CFrameDialog</name>
    <message>
        <source>画像の四隅の面取りと、縁にフェード効果を加えます。</source>
        <translation>Rounds the corners of the picture and fades its edges.</translation>
    </message>
    <message>
        <source>面取り(&amp;R):</source>
        <translation>&amp;Round corners:</translation>
    </message>
    <message>
        <source>フェード(&amp;F):</source>
        <translation>&amp;Fade:</translation>
    </message>
</context>
<context>
    <name>varlen::CIconPreviewWnd</name>
    <message>
        <source>コピー(C)	Ctrl+C</source>
        <translation>Copy	Ctrl+C</translation>
    </message>
    <message>
        <source>閉じる	Alt+F4</source>
        <translation>Close	Alt+F4</translation>
    </message>
    <message>
        <source>プレビュー x%1</source>
        <translation>Preview x%1</translation>
    </message>
    <message>
        <source>移動(&amp;M)</source>
        <translation>&amp;Move</translation>
    </message>
</context>
<context>
    <name>varlen::CIconSizeDialog</name>
    <message>
        <source>サイズの追加</source>
        <translation>Add a size</translation>
    </message>
    <message>
        <source>幅(&amp;W):</source>
        <translation>&amp;Width:</translation>
    </message>
    <message>
        <source>高さ(&amp;H):</source>
        <translation>&amp;Height:</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>varlen::CLightDialog</name>
    <message>
        <source>画像に光を当てたような効果を与えます。
画像をクリックして、ライトの位置を変更できます。</source>
        <translation>Lights the picture as if by a lamp.
Click the picture to move the light.</translation>
    </message>
    <message>
        <source>ライト(&amp;L):</source>
        <translation>&amp;Light:</translation>
    </message>
    <message>
        <source>&amp;4ビット(16色)アイコンには適用しない</source>
        <translation>Not for &amp;4-bit (16-colour) icons</translation>
    </message>
    <message>
        <source>ライトを使用するとグラデーションが掛かり、色数が劇的に増えます。16色では表現しきれず、汚く見えてしまう場合があります。</source>
        <translation>Light adds gradients and greatly increases the number of colours. 16 colours cannot show them, and the icon may look rough.</translation>
    </message>
</context>
<context>
    <name>varlen::CShadowDialog</name>
    <message>
        <source>画像の透過領域に半透明の影を入れます。32 ビットアイコンでのみ有効です。
画像をクリックして、影の方向を指定できます。</source>
        <translation>Adds a translucent shadow to the transparent areas of the picture. Takes effect in 32-bit icons only.
Click the picture to set the direction of the shadow.</translation>
    </message>
    <message>
        <source>影(&amp;S):</source>
        <translation>Shad&amp;ow:</translation>
    </message>
</context>
<context>
    <name>varlen::CSharpDialog</name>
    <message>
        <source>画像を鮮鋭化します。
リサイズによって画像がぼやけてしまう場合に有効です。</source>
        <translation>Sharpens the picture.
Useful when resizing blurs it.</translation>
    </message>
    <message>
        <source>シャープ(&amp;S):</source>
        <translation>&amp;Sharpness:</translation>
    </message>
</context>
<context>
    <name>varlen::CTransparentDialog</name>
    <message>
        <source>画像全体の透過度を変更します。
32ビットアイコンでのみ有効になります。

※透過度が半分以下になると、32ビット以外のアイコンでは透明になってしまうので、注意してください。</source>
        <translation>Changes the transparency of the whole picture.
Takes effect in 32-bit icons only.

Note: at half transparency or more, icons other than 32-bit become fully transparent.</translation>
    </message>
    <message>
        <source>透過度(&amp;T):</source>
        <translation>&amp;Transparency:</translation>
    </message>
</context>
<context>
    <name>varlen::CVarlen</name>
    <message>
        <source>&lt; 戻る(&amp;B)</source>
        <translation>&lt; &amp;Back</translation>
    </message>
    <message>
        <source>次へ(&amp;N) &gt;</source>
        <translation>&amp;Next &gt;</translation>
    </message>
    <message>
        <source>完了</source>
        <translation>Finish</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>リセット</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)</source>
        <translation>&amp;About Varlen</translation>
    </message>
    <message>
        <source>マニュアル(&amp;M)</source>
        <translation>&amp;Manual</translation>
    </message>
    <message>
        <source>作成中のアイコンの設定は失われます。
Varlen を終了しますか？</source>
        <translation>The settings of the icon being made will be lost.
Quit Varlen?</translation>
    </message>
</context>
<context>
    <name>varlen::CVarlenApplication</name>
    <message>
        <source>メモリが足りないため、操作を完了できませんでした。
操作の前の状態のまま続けます。</source>
        <translation>The action could not be completed: there is not enough memory.
Varlen goes on as it was before the action.</translation>
    </message>
</context>
<context>
    <name>varlen::CVarlenPage1</name>
    <message>
        <source>画像を左ボタンドラッグで移動、[Ctrl]キー+左ボタンドラッグで回転、右ボタンドラッグで拡大縮小できます。
ここでの画像はスムージング処理されていませんので、表示が荒く見える場合があります。実際に作成されるアイコンは、画像フォーマット選択時にプレビューで確認できます。</source>
        <translation>Drag with the left button to move the picture, Ctrl + left drag to rotate it, and drag with the right button to zoom.
The picture here is not smoothed and may look rough. The formats page previews the icon as it will be made.</translation>
    </message>
    <message>
        <source>ファイルが開けません。
画像ではないか、対応していない形式です。</source>
        <translation>The file cannot be opened.
It is not a picture, or its format is not supported.</translation>
    </message>
    <message>
        <source>クリップボードが開けません。
画像ではないか、対応していない形式です。</source>
        <translation>The clipboard cannot be read.
It holds no picture, or its format is not supported.</translation>
    </message>
    <message>
        <source>ドロップできません。
画像ではないか、対応していない形式です。</source>
        <translation>This cannot be dropped here.
It is not a picture, or its format is not supported.</translation>
    </message>
    <message>
        <source>配置した画像が大きすぎます。
サイズを %1 以下にしてください。</source>
        <translation>The placed picture is too large.
Make its size %1 or less.</translation>
    </message>
    <message>
        <source>画像を開く</source>
        <translation>Open a picture</translation>
    </message>
    <message>
        <source>アイコンに使用する画像を用意します。
画像をファイルから開くか、クリップボードから貼り付けるか、
またはウィンドウ上にドロップしてください。
 </source>
        <translation>Choose the picture for the icon.
Open a file, paste from the clipboard,
or drop a picture on this window.
 </translation>
    </message>
    <message>
        <source>ファイルから開く(&amp;O)...</source>
        <translation>&amp;Open a file...</translation>
    </message>
    <message>
        <source>クリップボードから貼り付け(&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>サイズ(&amp;S):</source>
        <translation>&amp;Size:</translation>
    </message>
    <message>
        <source>回転(&amp;R):</source>
        <translation>&amp;Rotation:</translation>
    </message>
    <message>
        <source>左右反転(&amp;V)</source>
        <translation>&amp;Mirror</translation>
    </message>
    <message>
        <source>余白なし(&amp;N)</source>
        <translation>No mar&amp;gin</translation>
    </message>
    <message>
        <source>背景色(&amp;C):</source>
        <translation>Background &amp;colour:</translation>
    </message>
    <message>
        <source>画像を配置しています...</source>
        <translation>Placing the picture...</translation>
    </message>
</context>
<context>
    <name>varlen::CVarlenPage2</name>
    <message>
        <source>透過領域</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>透過領域を設定します。
右の画像から透過したい色、または領域をクリックしてください。
 </source>
        <translation>Choose what becomes transparent.
Click the colour or the region to make transparent
in the picture on the right.
 </translation>
    </message>
    <message>
        <source>色領域指定(&amp;C)</source>
        <translation>By &amp;colour</translation>
    </message>
    <message>
        <source>閉領域指定(&amp;L)</source>
        <translation>C&amp;losed region</translation>
    </message>
    <message>
        <source>色の許容範囲(&amp;R):</source>
        <translation>Tole&amp;rance:</translation>
    </message>
    <message>
        <source>領域拡大(&amp;S):</source>
        <translation>Expan&amp;sion:</translation>
    </message>
    <message>
        <source>透過領域を反映しています...</source>
        <translation>Applying the transparent regions...</translation>
    </message>
</context>
<context>
    <name>varlen::CVarlenPage3</name>
    <message>
        <source>フィルタ・加工</source>
        <translation>Filters</translation>
    </message>
    <message>
        <source>画像にフィルタ・加工を追加するには、以下のタブ項目を選択してください。
 </source>
        <translation>Choose a tab below to add a filter or an effect to the picture.
 </translation>
    </message>
    <message>
        <source>明るさ</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>シャープ</source>
        <translation>Sharpen</translation>
    </message>
    <message>
        <source>ライト</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>透過</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>影</source>
        <translation>Shadow</translation>
    </message>
    <message>
        <source>縁</source>
        <translation>Edges</translation>
    </message>
    <message>
        <source>プレビューを更新しています...</source>
        <translation>Refreshing the preview...</translation>
    </message>
</context>
<context>
    <name>varlen::CVarlenPage4</name>
    <message>
        <source>画像フォーマット</source>
        <translation>Formats</translation>
    </message>
    <message>
        <source>アイコンファイルに複数のサイズを含めることができます。
含める画像フォーマットにチェックを入れてください。
アイコンファイルを Windows 2000 で使用する場合は、10種類以下にして下さい。</source>
        <translation>An icon file can hold several sizes.
Tick the formats to include.
For an icon file used on Windows 2000, tick 10 formats or fewer.</translation>
    </message>
    <message>
        <source>プレビュー(&amp;P)</source>
        <translation>&amp;Preview</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>エクスポート(&amp;E)...</source>
        <translation>&amp;Export...</translation>
    </message>
    <message>
        <source>追加(&amp;A)...</source>
        <translation>&amp;Add...</translation>
    </message>
    <message>
        <source>削除(&amp;D)...</source>
        <translation>&amp;Delete...</translation>
    </message>
    <message>
        <source>画像のスムージング処理を有効にする(&amp;S)</source>
        <translation>&amp;Smooth the picture when resizing</translation>
    </message>
    <message>
        <source>4 ビット (16 色)</source>
        <translation>4-bit (16 colours)</translation>
    </message>
    <message>
        <source>8 ビット (256 色)</source>
        <translation>8-bit (256 colours)</translation>
    </message>
    <message>
        <source>24 ビット (フルカラー)</source>
        <translation>24-bit (true colour)</translation>
    </message>
    <message>
        <source>32 ビット (フルカラー + 半透明)</source>
        <translation>32-bit (true colour + transparency)</translation>
    </message>
    <message>
        <source>最低でも１つ以上の画像フォーマットを選択する必要があります。</source>
        <translation>Tick at least one format.</translation>
    </message>
    <message>
        <source>そのサイズは既にリストにあります。</source>
        <translation>That size is already in the list.</translation>
    </message>
    <message>
        <source>%1 ビット %2 x %3 を削除します。
よろしいですか？</source>
        <translation>The %1-bit %2 x %3 format will be deleted.
Delete it?</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Windows での表示(&amp;W)...</source>
        <translation>How &amp;Windows draws it...</translation>
    </message>
    <message>
        <source>プリセット(&amp;T)</source>
        <translation>P&amp;resets</translation>
    </message>
    <message>
        <source>よく使われるサイズの組み合わせで一覧を置き換えます。</source>
        <translation>Replaces the list by a common set of sizes.</translation>
    </message>
    <message>
        <source>サイズ別の画像(&amp;G)</source>
        <translation>Size p&amp;icture</translation>
    </message>
    <message>
        <source>選んだサイズだけ、縮小の代わりに手描きの画像などを使います。</source>
        <translation>Uses a picture of your own, such as a hand-drawn one, for the selected size instead of a reduction.</translation>
    </message>
    <message>
        <source>このサイズに画像を使う(&amp;U)...</source>
        <translation>&amp;Use a picture for this size...</translation>
    </message>
    <message>
        <source>元の画像に戻す(&amp;M)</source>
        <translation>Use the &amp;main picture again</translation>
    </message>
    <message>
        <source>プリセット</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>Windows 11 アプリ (32 ビット 256 ～ 16 の 14 サイズ)(&amp;W)</source>
        <translation>&amp;Windows 11 app (32-bit, 14 sizes from 256 to 16)</translation>
    </message>
    <message>
        <source>クラシック (既定の 15 フォーマット)(&amp;C)</source>
        <translation>&amp;Classic (the 15 standard formats)</translation>
    </message>
    <message>
        <source>ファビコン (32 ビット 48, 32, 16)(&amp;F)</source>
        <translation>&amp;Favicon (32-bit 48, 32, 16)</translation>
    </message>
    <message>
        <source>小さく軽く (32 ビット 256, 48, 32, 24, 16 と 8 ビット 32, 16)(&amp;L)</source>
        <translation>Small and &amp;light (32-bit 256, 48, 32, 24, 16; 8-bit 32, 16)</translation>
    </message>
    <message>
        <source>画像フォーマットの一覧を「%1」に置き換えます。
よろしいですか？</source>
        <translation>The format list will be replaced by “%1”.
Replace it?</translation>
    </message>
    <message>
        <source> [画像]</source>
        <translation> [picture]</translation>
    </message>
    <message>
        <source>プレビューを作成しています...</source>
        <translation>Making the preview...</translation>
    </message>
    <message>
        <source>プレビューするフォーマットを作成しています...</source>
        <translation>Building the format to preview...</translation>
    </message>
    <message>
        <source>コピーするフォーマットを作成しています...</source>
        <translation>Building the format to copy...</translation>
    </message>
</context>
<context>
    <name>varlen::CVarlenPage5</name>
    <message>
        <source>同名のファイルが既に存在しています。
上書きしますか？</source>
        <translation>A file of this name already exists.
Replace it?</translation>
    </message>
    <message>
        <source>ファイルの作成に失敗しました。</source>
        <translation>The file could not be created.</translation>
    </message>
    <message>
        <source>アイコンの保存に失敗しました。</source>
        <translation>The icon file could not be written.</translation>
    </message>
    <message>
        <source>アイコンの作成が完了しました。</source>
        <translation>The icon file has been created.</translation>
    </message>
    <message>
        <source>アイコンファイルの作成</source>
        <translation>Create the icon file</translation>
    </message>
    <message>
        <source>作成するアイコンファイルの名前を入れてください。
[完了]をクリックすると、ファイルが作成されます。
リサイズ、減色処理を行うため、多少時間がかかります。
 </source>
        <translation>Enter the name of the icon file to create.
Click Finish to create the file.
Resizing and colour reduction may take a moment.
 </translation>
    </message>
    <message>
        <source>ファイル名(&amp;F):</source>
        <translation>&amp;File name:</translation>
    </message>
    <message>
        <source>32 ビット 64 x 64 以上のアイコンを PNG 圧縮する(&amp;P)</source>
        <translation>Store 32-bit formats of 64 x 64 and larger as &amp;PNG</translation>
    </message>
    <message>
        <source>完了後、保存フォルダを開く(&amp;O)</source>
        <translation>&amp;Open the folder when done</translation>
    </message>
    <message>
        <source>完了後、ウィンドウを閉じる(&amp;C)</source>
        <translation>&amp;Close the window when done</translation>
    </message>
    <message>
        <source>保存先: %1</source>
        <translation>Saved to: %1</translation>
    </message>
    <message>
        <source>保存フォルダを開けませんでした。</source>
        <translation>The folder could not be opened.</translation>
    </message>
    <message>
        <source>フォルダ: %1
理由: フォルダを開くファイルマネージャーが見つかりません。</source>
        <translation>Folder: %1
Reason: no file manager was found to open the folder.</translation>
    </message>
    <message>
        <source>アイコンを作成しています...</source>
        <translation>Creating the icon...</translation>
    </message>
    <message>
        <source>プレビューを作成しています...</source>
        <translation>Making the preview...</translation>
    </message>
</context>
<context>
    <name>varlen::CWindowsViewDialog</name>
    <message>
        <source>コンテキストメニュー、タイトルバー、通知領域</source>
        <translation>Context menu, title bar, system tray</translation>
    </message>
    <message>
        <source>タスクバー、検索、スタートのすべてのアプリ</source>
        <translation>Taskbar, search, Start all-apps list</translation>
    </message>
    <message>
        <source>スタートのピン留め</source>
        <translation>Start pins</translation>
    </message>
    <message>
        <source>エクスプローラーの %1 の表示 (実測)</source>
        <translation>Explorer views of %1 (measured)</translation>
    </message>
    <message>
        <source>Windows での表示</source>
        <translation>How Windows draws the icon</translation>
    </message>
    <message>
        <source>チェックされた画像フォーマットのうち、Windows が各表示場所と拡大率で描く画像です。
= そのまま&#x3000;↓ 縮小&#x3000;↑ 拡大 (ぼやけます)&#x3000;* LoadIcon/LoadImage では別の画像</source>
        <translation>The image Windows draws from the ticked formats on each surface at each display scale.
= exact   ↓ scaled down   ↑ scaled up (blurred)   * LoadIcon/LoadImage take another image</translation>
    </message>
    <message>
        <source>拡大されるサイズを追加(&amp;A)</source>
        <translation>&amp;Add the sizes that are scaled up</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>チェックされた画像フォーマットがありません。</source>
        <translation>No format is ticked.</translation>
    </message>
    <message>
        <source>拡大: %1 か所、1.5 倍を超える縮小: %2 か所。</source>
        <translation>Scaled up: %1 cells; scaled down by more than 1.5 x: %2 cells.</translation>
    </message>
    <message>
        <source>追加するサイズ (32 ビット): %1</source>
        <translation>Sizes to add (32 bits): %1</translation>
    </message>
    <message>
        <source>%1 を超えるサイズは追加できません。</source>
        <translation>Sizes above %1 cannot be added.</translation>
    </message>
</context>
<context>
    <name>varlen::RunInBackground</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>varlen::WriteFailure</name>
    <message>
        <source>保存先のフォルダがありません。</source>
        <translation>The folder does not exist.</translation>
    </message>
    <message>
        <source>保存先がフォルダではありません。</source>
        <translation>The destination is not a folder.</translation>
    </message>
    <message>
        <source>同じ名前のフォルダがあります。</source>
        <translation>A folder of the same name is in the way.</translation>
    </message>
    <message>
        <source>ディスクの空き容量が足りません。</source>
        <translation>The disk is full.</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます。</source>
        <translation>The file is too large.</translation>
    </message>
    <message>
        <source>保存先は読み取り専用です。</source>
        <translation>The destination is read-only.</translation>
    </message>
    <message>
        <source>書き込みの権限がありません。</source>
        <translation>There is no permission to write there.</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます。</source>
        <translation>The file name is too long.</translation>
    </message>
    <message>
        <source>書き込めませんでした。</source>
        <translation>The file could not be written.</translation>
    </message>
    <message>
        <source>ファイル: %1
理由: %2</source>
        <translation>File: %1
Reason: %2</translation>
    </message>
</context>
</TS>
