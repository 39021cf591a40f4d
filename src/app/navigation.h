#pragma once
// Moving the presentation from page to page: the presentation states, the
// transitions between pages, which pages stay loaded, and the idle step
// that ends transitions, view animations and the strip settle by time.
//
// idleFunc and showFirstPage are declared with the other callbacks in
// app/callbacks.h.

// Makes page i current without animation (ignored outside the list); a move
// of more than one page stops the sound of the page left.
void setCurrentPage(int i);
// setCurrentPage to the last page of slide s (ignored outside the list).
void gotoSlide(int s);
// Chooses the transition from the current page (a stand-still blend of its
// own on the last page) and loads the current page and its neighbours.
void prepareTransition();
// Starts the prepared transition to the next page, while a page is shown.
void nextPage();
// Starts a blend from the current page to any page, while a page is shown.
void gotoPage(int target);
// Jumps to the last page of the slide whose number (from 1) was typed, or
// clears a typed number that names no slide.
void gotoTypedSlide();

// After a transition from page `from` to page `to` ended: true for the pages
// that stay loaded, those at most one page away from either end.
bool pageStaysLoaded(int page, int from, int to);

// The first slide whose last page is at or after page (the slide showing
// it); the last slide when none is.
int slideOfPage(int page);
