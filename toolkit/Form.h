// The form: the one control with a native window. It is the window's listener: it hands paint requests
// to its windowed children, routes the mouse to the control under it (or to the one holding the
// capture), tracks which control the mouse is over for enter and leave, shows that control's cursor,
// and passes keys to the active control.
#pragma once

#include "toolkit/Font.h"
#include "toolkit/WinControl.h"
#include "toolkit/Zoom.h"

#include <memory>
#include <string>

namespace toolkit {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };

class TCustomForm : public TWinControl, public platform::WindowListener {
  public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    std::string_view ClassName() const override { return "TCustomForm"; }
    const TPropertyTable& PublishedProperties() const override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value) { caption_ = value; }
    TColor Color() const { return color_; }
    void SetColor(TColor value) { color_ = value; }
    TFont* Font() const { return font_.get(); }
    int ClientWidth() const { return Width(); }
    void SetClientWidth(int value) { SetWidth(value); }
    int ClientHeight() const { return Height(); }
    void SetClientHeight(int value) { SetHeight(value); }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value) { borderStyle_ = value; }
    std::uint32_t BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(std::uint32_t value) { borderIcons_ = value; }
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    bool Scaled() const { return scaled_; }
    void SetScaled(bool value) { scaled_ = value; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }
    int TextHeight() const { return textHeight_; }
    void SetTextHeight(int value) { textHeight_ = value; }

    // Creates the native window as a child of parent, at the client size zoomed. Throws
    // platform::WindowError.
    void CreateWindow(const platform::ParentWindow& parent);
    // The zoom of the window: positions, sizes and mouse coordinates of the controls stay in layout
    // pixels; the window and everything painted into it are in device pixels. Set it before the
    // window is created; a window already open keeps its size until it is made again.
    const TZoom& Zoom() const { return zoom_; }
    void SetZoom(TZoom zoom) { zoom_ = zoom; }
    // A mouse event of the window in layout pixels.
    platform::MouseEvent LayoutEvent(const platform::MouseEvent& deviceEvent) const;
    void DestroyWindow();
    platform::NativeWindow* Window() const { return window_.get(); }

    // Its controls in child order, then the components it owns that have no parent (an image list).
    void GetChildren(const std::function<void(TComponent&)>& proc, const TComponent& root) const override;

    // The control that holds the mouse capture, or null.
    TControl* CaptureControl() const { return captureControl_; }
    void SetCaptureControl(TControl* control);
    // The control the mouse is over, or null.
    TControl* MouseControl() const { return mouseControl_; }
    // The windowed control that receives the keys, or null (then the form).
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control) { activeControl_ = control; }
    // A control is going away or leaving the form: forget every reference to it.
    void ControlRemoved(TControl& control);

    // platform::WindowListener
    void WindowPaint(const platform::Rect& rect) override;
    void WindowMouse(const platform::MouseEvent& event) override;
    void WindowKey(const platform::KeyEvent& event) override;
    void WindowDestroyed() override;

    void InvalidateRect(const platform::Rect& rect) override;
    void ValidateRect(const platform::Rect& rect) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    // Raised for the part of a paint that no windowed child covers.
    TNotifyEvent OnPaint;

  protected:
    // The control under a point of the form: the deepest child, or the form itself.
    TControl& ControlAtFormPoint(int x, int y);
    // Moves the mouse onto control: leave for the old one, enter for the new one, its cursor shown.
    void TrackMouseControl(TControl* control);
    // Shows the cursor of the control under the mouse, unless a control holds the capture.
    void ShowCursorOf(const TControl* control);

  private:
    std::string caption_;
    TColor color_ = clBtnFace;
    std::unique_ptr<TFont> font_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    std::uint32_t borderIcons_ = 0x7; // biSystemMenu, biMinimize, biMaximize
    TPosition position_ = poDefaultPosOnly;
    bool scaled_ = true;
    int pixelsPerInch_ = 96;
    int textHeight_ = 13;
    TZoom zoom_;
    std::unique_ptr<platform::NativeWindow> window_;
    TControl* captureControl_ = nullptr;
    TControl* mouseControl_ = nullptr;
    TWinControl* activeControl_ = nullptr;
};

class TForm : public TCustomForm {
  public:
    using TCustomForm::TCustomForm;
    std::string_view ClassName() const override { return "TForm"; }
};

} // namespace toolkit
