#pragma once

#include "picture/picture.h"
#include "skinctl/slider_math.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QTimer;

namespace rz4::skinctl {

class PropertyBag;

// A self-drawn horizontal slider that can also serve as a plain clickable surface. It paints
// itself from a skin picture cut into slices, or from colour gradients, into a kept image that
// paintEvent shows. Horizontal positions are twips, 15 per pixel of the widget.
class tVate : public QWidget {
    Q_OBJECT

public:
    explicit tVate(QWidget* parent = nullptr);
    ~tVate() override;

    // Properties. Writes store, repaint where the control shows them, and send propertyChanged.
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // The native window that shows the control (its own if it has one, else its window's).
    WId hwnd() const;
    picture::Picture cMouseIcon() const { return m_mouseIcon; }
    void setcMouseIcon(const picture::Picture& icon);
    // The classic pointer numbers: 0 default, 1 arrow, 2 cross, 3 I-beam, … 15 size all,
    // 99 the picture in cMouseIcon.
    std::int16_t cMousePointer() const { return m_mousePointer; }
    void setcMousePointer(std::int16_t pointer);
    picture::Picture BkPicture() const { return m_bkPicture; }
    void setBkPicture(const picture::Picture& picture);
    // 0 flat, 1 sunken 3D; shows only with a border.
    std::int16_t Appearance() const { return m_appearance; }
    void setAppearance(std::int16_t appearance);
    // 0 none, anything else a single border around the drawing surface.
    std::int16_t BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(std::int16_t borderStyle);
    // 2 skin with end caps, 3 the two middle slices only, anything else colour gradients.
    std::int32_t Style() const { return m_style; }
    void setStyle(std::int32_t style);
    bool CanMove() const { return m_canMove; }
    void setCanMove(bool canMove);
    Colour TopColor() const { return m_topColor; }
    void setTopColor(Colour colour);
    Colour BottomColor() const { return m_bottomColor; }
    void setBottomColor(Colour colour);
    Colour GotTopColor() const { return m_gotTopColor; }
    void setGotTopColor(Colour colour);
    Colour GotBottomColor() const { return m_gotBottomColor; }
    void setGotBottomColor(Colour colour);
    std::int32_t Max() const { return m_max; }
    void setMax(std::int32_t max);
    // In pixels; kept in twips, so values beyond ±2184 raise the overflow error.
    std::int16_t Bite_LP() const;
    void setBite_LP(std::int16_t pixels);
    std::int16_t Bite_RP() const;
    void setBite_RP(std::int16_t pixels);
    std::int32_t Value() const { return m_value; }
    // Dropped (but still notified) while the left button holds the thumb.
    void setValue(std::int32_t value);
    bool IsShowCmd() const { return m_isShowCmd; }
    void setIsShowCmd(bool show);

    // Pixel size of a picture; 0 for an empty one.
    static std::int16_t GetPictureWidth(const picture::Picture& picture);
    static std::int16_t GetPictureHeight(const picture::Picture& picture);
    // 0 normal, 1 pointer over the thumb, 2 thumb held, 3 disabled. An enabled slider raises
    // MouseOverCmd or MouseOutCmd on every call.
    std::int32_t GetMouseState();
    // Cuts the skin (widths in pixels, laid out left cap, right cap, filled track, empty track,
    // four thumb frames) and repaints. A picture of height 0 changes nothing.
    void setPicture(const picture::Picture& newPicture, std::int16_t lP_Width,
                    std::int16_t rP_Width, std::int16_t lmP_Width, std::int16_t rmP_Width,
                    std::int16_t cP_Width, std::int16_t cmp_Height = 0, std::int16_t cmp_Top = 0);
    // A new picture holding a rectangle of thePicture (which must not be empty), in the format of
    // the control's surface.
    static picture::Picture PicToPic(const picture::Picture& thePicture, std::int32_t LeftSrc,
                                     std::int32_t TopSrc, std::int32_t WidthSrc,
                                     std::int32_t HeightSrc);

    // Recomposes the whole control; -1 places the thumb from Value and Max.
    void Redraw(float position = -1.0F);

    // The surface: background colour (default the button face) and what has been drawn on it.
    Colour BackColor() const { return m_backColor; }
    void setBackColor(Colour colour);
    const QImage& composedImage() const { return m_surface; }
    // Surface size in twips.
    float ScaleWidth() const;
    float ScaleHeight() const;

    // Saving and loading through the host's bag; loading neither repaints nor notifies.
    void UserControl_ReadProperties(const PropertyBag& bag);
    void UserControl_WriteProperties(PropertyBag& bag) const;

    // Entry points of the mouse and timer handling, in twips of the surface; the widget's own
    // Qt events end up here, and a host may feed them directly.
    void UserControl_MouseDown(std::int16_t Button, std::int16_t Shift, float x, float y);
    void UserControl_MouseMove(std::int16_t Button, std::int16_t Shift, float x, float y);
    void UserControl_MouseUp(std::int16_t Button, std::int16_t Shift, float x, float y);
    void UserControl_Click();
    void UserControl_DblClick();
    void UserControl_Resize();
    void Timer1_Timer();

    // The geometry as last painted and the mouse state, for hosts that hit-test the thumb.
    float CmdLeft() const { return m_cmdLeft; }
    std::int16_t CmdWidth() const { return m_cmdWidth; }
    std::int16_t CmdHeight() const { return m_cmdHeight; }
    std::int16_t CmdTop() const { return m_cmdTop; }
    std::int16_t LeftPicWidth() const { return m_leftPicWidth; }
    std::int16_t RightPicWidth() const { return m_rightPicWidth; }
    bool IsMouseDown() const { return m_isMouseDown; }
    bool IsMouseIn() const { return m_isMouseIn; }
    bool isHoverTimerActive() const;

    // Which widget the pointer is over, asked by the hover timer; by default the application's
    // widget under the cursor. Replaceable so the leave detection can be driven without a pointer.
    void setWidgetUnderPointer(std::function<QWidget*()> probe);

signals:
    void MouseOverCmd();
    void MouseOutCmd();
    void Changed(std::int32_t& tValue, std::int32_t& tMax);
    void Done(std::int32_t& tValue, std::int32_t& tMax);
    void MouseMove(std::int16_t& Button, std::int16_t& Shift, float& x, float& y);
    void MouseUp(std::int16_t& Button, std::int16_t& Shift, float& x, float& y);
    void MouseDown(std::int16_t& Button, std::int16_t& Shift, float& x, float& y);
    void Click();
    void DBClick();
    // A property of this instance was written, so its saved state is out of date.
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void announceValue();
    // A new control's four property writes, each repainting and notifying.
    void writeInitialProperties();
    // Ten bands from topColour to bottomColour between x1 and x2 twips.
    void drawGradient(Colour topColour, Colour bottomColour, float x1, float x2);
    bool pointerInControl() const;
    // The pointer lies strictly inside the thumb as last painted.
    bool pointerOnThumb() const;

    void clearSurface();
    void drawTrack(float position);
    void drawCaption();
    void drawThumb(float position);
    // Stores a colour property, repaints and notifies.
    void writeColour(Colour& field, Colour colour, const QString& name);
    void writeBite(std::int16_t& field, std::int16_t pixels, const QString& name);
    int borderWidth() const;
    QSize surfaceSize() const;
    QColor resolveColour(Colour colour) const;
    void applyCursor();
    void applyFrame();
    // Where the pointer of a mouse event is on the drawing surface, in twips.
    QPointF surfaceTwips(const QMouseEvent& event) const;
    void handlePress(QMouseEvent* event);

    // Skin slices and their geometry (widths in twips, thumb height and top in pixels).
    picture::Picture m_leftPic;
    picture::Picture m_rightPic;
    picture::Picture m_leftMidPic;
    picture::Picture m_rightMidPic;
    picture::Picture m_cmdPic;
    std::int16_t m_cmdWidth = 0;
    std::int16_t m_cmdHeight = 0;
    std::int16_t m_cmdTop = 0;
    std::int16_t m_leftPicWidth = 0;
    std::int16_t m_rightPicWidth = 0;

    Colour m_topColor = 0;
    Colour m_bottomColor = 0;
    Colour m_gotTopColor = 0;
    Colour m_gotBottomColor = 0;
    std::int32_t m_max = 0;
    std::int32_t m_value = 0;
    std::int32_t m_style = 0;
    QString m_caption;
    float m_cmdLeft = 0;
    float m_mouseX = 0;
    bool m_canMove = false;
    bool m_isMouseDown = false;
    bool m_isMouseIn = false;
    bool m_isShowCmd = false;
    std::int16_t m_biteLP = 0; // twips
    std::int16_t m_biteRP = 0; // twips

    // The surface's own properties.
    Colour m_backColor;
    picture::Picture m_bkPicture;
    picture::Picture m_mouseIcon;
    std::int16_t m_mousePointer = 0;
    std::int16_t m_appearance = 0;
    std::int16_t m_borderStyle = 0;
    QImage m_surface;

    QTimer* m_hoverTimer; // runs while the pointer is in, to notice it leave (Timer1_Timer)
    std::function<QWidget*()> m_widgetUnderPointer;
    // A press on the control arms Click (DBClick when the press was a double click).
    bool m_clickArmed = false;
    bool m_doubleClicked = false;
};

} // namespace rz4::skinctl
