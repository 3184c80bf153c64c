#pragma once
// One printed page of the map view: the current view window, grid and labels,
// fitted into the page with margins and symbol sizes taken from the page's
// size. Print preview draws the same page scaled into its window.

#include <wx/print.h>

class CQUORVEXView;

class MapPrintout : public wxPrintout {
  public:
    explicit MapPrintout(CQUORVEXView* view);

    bool OnPrintPage(int page) override;
    bool HasPage(int page) override { return page == 1; }
    void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;

  private:
    CQUORVEXView* m_view;
};
