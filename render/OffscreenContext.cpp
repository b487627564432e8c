#include "render/OffscreenContext.h"

#include <algorithm>

#include <cstdio>
#include <vector>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glx.h>

namespace lib3d {

namespace {

std::string egl_failure(const char* what) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s failed (EGL error 0x%04X)", what, static_cast<unsigned>(eglGetError()));
  return std::string("no offscreen OpenGL: ") + buf;
}

EGLDisplay surfaceless_display(std::string& error) {
  const char* ext = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!ext || std::string(ext).find("EGL_MESA_platform_surfaceless") == std::string::npos) {
    error = "no offscreen OpenGL: EGL has no surfaceless platform (Mesa's libEGL is needed)";
    return EGL_NO_DISPLAY;
  }
  auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!get_display) {
    error = "no offscreen OpenGL: eglGetPlatformDisplayEXT is missing";
    return EGL_NO_DISPLAY;
  }
  EGLDisplay dpy = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (dpy == EGL_NO_DISPLAY) error = egl_failure("eglGetPlatformDisplayEXT");
  return dpy;
}

// A pbuffer config with 8-bit RGB and, by preference, exactly a 24-bit depth buffer: windows get
// 24 bits on X servers, and the same depth precision keeps both pictures identical.
EGLConfig choose_config(EGLDisplay dpy, std::string& error) {
  const EGLint want[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                         EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                         EGL_DEPTH_SIZE, 16, EGL_NONE};
  EGLint count = 0;
  if (!eglChooseConfig(dpy, want, nullptr, 0, &count) || count <= 0) {
    error = "no offscreen OpenGL: no pbuffer configuration for desktop OpenGL";
    return nullptr;
  }
  std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
  eglChooseConfig(dpy, want, configs.data(), count, &count);
  for (EGLint i = 0; i < count; ++i) {
    EGLint depth = 0, red = 0;
    eglGetConfigAttrib(dpy, configs[i], EGL_DEPTH_SIZE, &depth);
    eglGetConfigAttrib(dpy, configs[i], EGL_RED_SIZE, &red);
    if (depth == 24 && red == 8) return configs[i];
  }
  return configs[0];
}

}  // namespace

std::unique_ptr<OffscreenContext> OffscreenContext::create(int width, int height, std::string& error, bool fit) {
  if (width <= 0 || height <= 0) {
    error = "picture size must be positive";
    return nullptr;
  }
  EGLDisplay dpy = surfaceless_display(error);
  if (dpy == EGL_NO_DISPLAY) return nullptr;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(dpy, &major, &minor)) {
    error = egl_failure("eglInitialize");
    return nullptr;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = egl_failure("eglBindAPI(OpenGL)");
    return nullptr;
  }
  EGLConfig config = choose_config(dpy, error);
  if (!config) return nullptr;
  EGLint max_w = 0, max_h = 0;
  eglGetConfigAttrib(dpy, config, EGL_MAX_PBUFFER_WIDTH, &max_w);
  eglGetConfigAttrib(dpy, config, EGL_MAX_PBUFFER_HEIGHT, &max_h);
  if (fit && max_w > 0) width = std::min(width, max_w);
  if (fit && max_h > 0) height = std::min(height, max_h);
  if ((max_w > 0 && width > max_w) || (max_h > 0 && height > max_h)) {
    error = "picture size " + std::to_string(width) + "x" + std::to_string(height) +
            " exceeds the offscreen limit of " + std::to_string(max_w) + "x" + std::to_string(max_h);
    return nullptr;
  }
  std::unique_ptr<OffscreenContext> ctx(new OffscreenContext);
  ctx->display_ = dpy;
  ctx->width_ = width;
  ctx->height_ = height;
  const EGLint surface_attrs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  ctx->surface_ = eglCreatePbufferSurface(dpy, config, surface_attrs);
  if (ctx->surface_ == EGL_NO_SURFACE) {
    error = egl_failure("eglCreatePbufferSurface");
    return nullptr;
  }
  ctx->context_ = eglCreateContext(dpy, config, EGL_NO_CONTEXT, nullptr);
  if (ctx->context_ == EGL_NO_CONTEXT) {
    error = egl_failure("eglCreateContext");
    return nullptr;
  }
  if (!ctx->make_current()) {
    error = egl_failure("eglMakeCurrent");
    return nullptr;
  }
  if (!glGetString(GL_VERSION)) {
    error = "no offscreen OpenGL: the context answers no version";
    return nullptr;
  }
  return ctx;
}

bool OffscreenContext::make_current() {
  // glvnd lets a thread hold a GLX or an EGL context, not both (eglMakeCurrent answers
  // EGL_BAD_ACCESS). A window's GLX context is let go; its view takes it again before it draws.
  if (glXGetCurrentContext()) glXMakeCurrent(glXGetCurrentDisplay(), None, nullptr);
  return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

void OffscreenContext::release() {
  if (eglGetCurrentContext() == context_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

OffscreenContext::~OffscreenContext() {
  if (!display_) return;
  if (eglGetCurrentContext() == context_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_ != EGL_NO_CONTEXT && context_) eglDestroyContext(display_, context_);
  if (surface_ != EGL_NO_SURFACE && surface_) eglDestroySurface(display_, surface_);
  // The display stays initialised: EGL displays are one per process and not reference counted, so
  // terminating it would pull it from under any other offscreen context still alive.
}

}  // namespace lib3d
