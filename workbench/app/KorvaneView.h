#pragma once
// The workbench's only view: paints the current parcel file of the document into its device
// context (the parcel-index raster) for the overlay analysis to read back.
#include <memory>

#include "platform/ui/dc.h"

class CKorvaneDoc;

class CKorvaneView {
public:
    explicit CKorvaneView(CKorvaneDoc* doc)
        : m_doc(doc), m_window(std::make_shared<ui::Raster>(1, 1)) {}
    virtual ~CKorvaneView() = default;
    CKorvaneDoc* GetDocument() const { return m_doc; }
    // Paints the document's current parcel file on dc.
    // Paints the document's current parcel file on dc. On the view's own window the device
    // becomes as large as the parcel file's box (up to a bound; the analysis does not read it).
    virtual void OnDraw(ui::DeviceContext& dc);

    // The view's window: 480 pixels per inch, one pixel per map unit.
    static constexpr int kLogPixels = 480;
    ui::DeviceContext GetWindowDC();
    // The pixels of the window, shown in the frame's client area.
    std::shared_ptr<ui::Raster> Surface() const { return m_window; }

private:
    CKorvaneDoc* m_doc;
    std::shared_ptr<ui::Raster> m_window;
};
