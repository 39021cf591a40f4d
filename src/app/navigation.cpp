#include "app/navigation.h"

#include <GL/freeglut.h>

#include <chrono>
#include <cstdlib>

#include "app/background.h"
#include "app/callbacks.h"
#include "app/frame.h"
#include "app/frame_log.h"
#include "app/slide_list_instance.h"
#include "app/startup.h"
#include "app/state/viewer_state.h"
#include "transitions/transition.h"

namespace {

void deleteOwnedTransition() {
  if (viewer.currentTransition == viewer.ownedTransition) viewer.currentTransition = nullptr;
  delete viewer.ownedTransition;
  viewer.ownedTransition = nullptr;
}

// Nothing half-made is shown: a page still in preparation is finished now.
void finishPagesOf(const Transition& transition) {
  for (int page : {transition.fromPage(), transition.toPage()})
    if (page >= 0 && page < slideList.pageCount()) slideList.page(page).finishLoad();
}

void startCurrentTransition() {
  finishPagesOf(*viewer.currentTransition);
  viewer.currentTransition->start();
  viewer.animationStart.reset();
  viewer.transitionStart.reset();
  viewer.presentationState = Transitioning;
}

void endViewAnimation() {
  viewer.viewAnimation = false;
  viewer.panX = viewer.viewToPanX;
  viewer.panY = viewer.viewToPanY;
  viewer.zoomLevel = viewer.viewToZoom;
  viewer.cameraDistance = zoomToDistance(viewer.zoomLevel);
  updateVisibleArea();
}

void endTransition() {
  viewer.presentationState = Showing;
  viewer.typedNumber = 0;
  Transition* ended = viewer.currentTransition;
  ended->finish();
  // prepareTransition deletes the blend of a jump, so take its target first.
  setCurrentPage(ended->toPage());
  prepareTransition();

  const Transition* next = viewer.currentTransition;
  for (int i = 0; i < slideList.pageCount(); ++i)
    if (!pageStaysLoaded(i, next->fromPage(), next->toPage())) slideList.unloadPage(i);
}

}  // namespace

bool pageStaysLoaded(int page, int from, int to) {
  return std::abs(page - from) <= 1 || std::abs(page - to) <= 1;
}

int slideOfPage(int page) {
  int count = slideList.slideCount();
  for (int s = 0; s < count; ++s)
    if (slideList.slide(s).lastPage >= page) return s;
  return count > 0 ? count - 1 : 0;
}

void setCurrentPage(int i) {
  if (i < 0 || i >= slideList.pageCount()) return;
  if (std::abs(viewer.currentPage - i) > 1) slideList.page(viewer.currentPage).stopSound();
  viewer.currentPage = i;
  viewer.currentSlide = slideOfPage(i);
}

void gotoSlide(int s) {
  if (s < 0 || s >= slideList.slideCount()) return;
  setCurrentPage(slideList.slide(s).lastPage);
}

void prepareTransition() {
  deleteOwnedTransition();
  int current = viewer.currentPage;
  if (current == slideList.transitionCount()) {
    // The last page blends onto itself: a step forward has a transition to
    // hold, and nextPage refuses it anyway.
    viewer.ownedTransition = new TransitionBlend(current, current);
    viewer.currentTransition = viewer.ownedTransition;
  } else {
    viewer.currentTransition = &slideList.transition(current);
  }
  // The current page is shown next: made right here (while the workers are
  // free for its neighbours) unless it is loaded already.
  slideList.loadPage(current);
  slideList.page(current).finishLoad();
  if (current > 0) slideList.loadPage(current - 1);
  if (current < slideList.pageCount() - 1) slideList.loadPage(current + 1);
  prepareAroundPage(current);
  glutPostRedisplay();
}

void nextPage() {
  if (viewer.presentationState != Showing) return;
  if (viewer.currentPage >= slideList.transitionCount()) return;
  if (!viewer.currentTransition) return;
  startCurrentTransition();
}

void gotoPage(int target) {
  if (viewer.presentationState != Showing) return;
  if (target < 0 || target >= slideList.pageCount()) return;
  int current = viewer.currentPage;
  deleteOwnedTransition();
  viewer.ownedTransition = new TransitionBlend(current, target);
  viewer.currentTransition = viewer.ownedTransition;
  slideList.loadPage(current);
  slideList.loadPage(target);
  if (std::abs(current - target) > 1) slideList.page(current).stopSound();
  startCurrentTransition();
}

void gotoTypedSlide() {
  int n = viewer.typedNumber;
  if (n > 0 && n <= slideList.slideCount())
    gotoPage(slideList.slide(n - 1).lastPage);
  else
    viewer.typedNumber = 0;
  glutPostRedisplay();
}

namespace {

// Nothing moves: wait for a worker (or a little while, for input) instead
// of drawing the same frame again.
void rest() {
  constexpr double longestRest = 0.01;  // the longest an input event waits
  const auto start = std::chrono::steady_clock::now();
  waitForBackgroundResults(longestRest);
  noteIdleSleep(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace

void idleFunc() {
  if (quitRequested()) quitViewer();
  if (deliverBackgroundResults()) glutPostRedisplay();
  float t = viewer.animationStart.elapsedSeconds();
  if (viewer.viewAnimation && t / viewAnimationDuration > 1) {
    endViewAnimation();
    glutPostRedisplay();  // the view where the animation ends
  }

  switch (viewer.presentationState) {
    case Transitioning: {
      Transition* running = viewer.currentTransition;
      if (!running) {
        viewer.presentationState = Showing;
        glutPostRedisplay();
        break;
      }
      viewer.lastTransitionDuration = running->duration;
      if (t > running->duration)
        endTransition();  // prepareTransition asked for the frame
      else
        glutPostRedisplay();
      break;
    }
    case Settling:
      if (t > viewAnimationDuration) viewer.presentationState = Showing;
      glutPostRedisplay();
      break;
    case Showing:
      if (frameWouldChange())
        glutPostRedisplay();
      else
        rest();
      break;
    case Browsing:
    default:
      glutPostRedisplay();
      break;
  }
}

void showFirstPage() {
  setCurrentPage(0);
  prepareTransition();
  idleFunc();
}
