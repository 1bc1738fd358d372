#pragma once
// The workbench's only view: paints the current parcel file of the document into its device
// context (the parcel-index raster) for the overlay analysis to read back.
#include "platform/ui/dc.h"

class CKorvaneDoc;

class CKorvaneView {
public:
    explicit CKorvaneView(CKorvaneDoc* doc) : m_doc(doc) {}
    virtual ~CKorvaneView() = default;
    CKorvaneDoc* GetDocument() const { return m_doc; }
    // Paints the document's current parcel file on dc.
    virtual void OnDraw(ui::DeviceContext& dc);

private:
    CKorvaneDoc* m_doc;
};
