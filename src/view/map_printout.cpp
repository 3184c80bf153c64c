#include "view/map_printout.h"

#include "view/quorvex_view.h"

namespace {

wxString PrintoutTitle(CQUORVEXView* view) {
    wxString title;
    if (view && view->GetDocument()) title = view->GetDocument()->GetUserReadableName();
    return title;
}

}  // namespace

MapPrintout::MapPrintout(CQUORVEXView* view) : wxPrintout(PrintoutTitle(view)), m_view(view) {}

void MapPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
    *minPage = *maxPage = *pageFrom = *pageTo = 1;
}

bool MapPrintout::OnPrintPage(int page) {
    wxDC* dc = GetDC();
    if (!dc || !m_view || page != 1) return false;
    int dcWidth = 0, dcHeight = 0;
    dc->GetSize(&dcWidth, &dcHeight);
    int pageWidth = 0, pageHeight = 0;
    GetPageSizePixels(&pageWidth, &pageHeight);
    if (pageWidth <= 0 || pageHeight <= 0) {
        pageWidth = dcWidth;
        pageHeight = dcHeight;
    }
    if (pageWidth <= 0 || pageHeight <= 0) return false;

    // The page is laid out in units of screen pixels, so that the labels have
    // the size they have on screen and lines stay visible at any printer
    // resolution; the margins, symbols and grid are the page's as always, only
    // counted in those units. A preview draws into a smaller bitmap than the
    // page, which the same scaling absorbs.
    int screenX = 0, screenY = 0, printerX = 0, printerY = 0;
    GetPPIScreen(&screenX, &screenY);
    GetPPIPrinter(&printerX, &printerY);
    const double unitsX = screenX > 0 && printerX > 0 ? double(printerX) / screenX : 1.0;
    const double unitsY = screenY > 0 && printerY > 0 ? double(printerY) / screenY : 1.0;
    const wxSize logical(static_cast<int>(pageWidth / unitsX),
                         static_cast<int>(pageHeight / unitsY));
    dc->SetUserScale(double(dcWidth) / pageWidth * unitsX, double(dcHeight) / pageHeight * unitsY);
    m_view->DrawPage(*dc, logical);
    return true;
}
